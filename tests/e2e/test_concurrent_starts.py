"""Two launchers started at once on one installation, as a double click twice
starts them, while an update and new program files are waiting: both end
as a start ends, neither leaves a file half written (installed or cached)
nor a log line torn or lost, every error either meets is in the error log
and counted, and the next start finds everything installed."""

import collections
import os
import re
import unittest

from launcher_scenarios import (CACHE, DEBUG_LOG, ERROR_LOG, PROGRAM_FILES, STANDARD_STEPS, Installation,
                                ScratchFolder)
from tabpack import Entry, build_archive
from winemachine import WineMachine

# A physical line of either log: the date, time, "OVWIN" and a tag, or a
# continuation line, which starts in the message column.
LOG_LINE = re.compile(r"^\d\d/\d\d/\d\d \d\d:\d\d:\d\d OVWIN (DEBUG   |DEBUG X |ERROR !!) ")
CONTINUATION = " " * 33
OUTCOME = re.compile(r"^\*\*\* Brisel Launch Successful\.(?: There (?:was|were) (\d+) non-fatal errors? during "
                     r"startup\.)? \*\*\*$")
SHARE_FOLDER = r"N:\Brisel"
UP_TO_DATE = "CheckToInstallEntry: This entry is installed and up-to-date."


def contents(index, size):
    return bytes((index * 31 + i * 7) % 251 for i in range(size))


def unparsed_lines(path):
    """The physical lines of a log that are neither a whole line nor a
    continuation, and whether every line ends with CR LF."""
    with open(path, "rb") as f:
        data = f.read().decode("latin-1")
    lines = data.split("\r\n")
    return [line for line in lines[:-1] if not LOG_LINE.match(line) and not line.startswith(CONTINUATION)
            ], lines[-1] == ""


class DoubleClick(ScratchFolder):
    def test_two_starts_at_once_leave_whole_files_and_whole_logs(self):
        entries = [Entry("engine%d.dll" % i, "CUR", "newer", "2024-02-01T10:00:00.000Z", contents(i, 4 * 2**20 + i))
                   for i in range(3)]
        entries += [Entry("rates%d.ini" % i, "WIN", "different", "2024-02-01T10:00:00.000Z", contents(i, 5000 + i))
                    for i in range(4)]
        archive = build_archive(os.path.join(self.scratch, "archive"), entries)
        with WineMachine(self.id()) as machine:
            # A workstation the launcher has run on from a network drive,
            # with an older edition of each file installed and of each
            # program file cached.
            machine.add_drive("n")
            installation = Installation(machine, SHARE_FOLDER)
            installation.add_main_program()
            installation.set_debug_level(1)
            companions = [name for name in PROGRAM_FILES if name != "verozar1.exe"]
            for name in companions:
                machine.write_file(SHARE_FOLDER + "\\" + name, b"older edition")
            self.assertEqual(installation.run("-s")[0].exit_code, 0)
            for index, name in enumerate(companions):
                machine.write_file(SHARE_FOLDER + "\\" + name, contents(index, 2**20 + index))
            places = {entry: (installation.folder if entry.destination == "CUR" else r"C:\windows") + "\\" +
                      entry.name for entry in entries}
            for entry, place in places.items():
                machine.write_file(place, b"older edition")
                os.utime(machine.host_path(place), (1600000000, 1600000000))
            installation.add_archive(archive)
            for name in (DEBUG_LOG, ERROR_LOG):
                if installation.exists(name):
                    os.remove(installation.path(name))

            # The shortcut keeps the logs, so both starts write into them.
            both = [installation.start("-s -d100 -kl") for _ in range(2)]
            results = [started.wait(120) for started in both]
            debug = installation.texts(DEBUG_LOG)
            errors = installation.texts(ERROR_LOG, missing_ok=True)
            torn = [unparsed_lines(installation.path(name)) for name in (DEBUG_LOG, ERROR_LOG)
                    if installation.exists(name)]
            landed = {entry: machine.read_bytes(place) for entry, place in places.items()}
            cached = {name: machine.read_bytes(CACHE + "\\" + name) == machine.read_bytes(SHARE_FOLDER + "\\" + name)
                      for name in PROGRAM_FILES}

            third, _ = installation.run("-s -d")
            third_texts = installation.texts()
            third_errors = installation.log(ERROR_LOG, missing_ok=True)

        self.assertEqual([result.exit_code for result in results], [0, 0])
        for entry in entries:
            self.assertEqual(landed[entry], entry.contents, entry.name)
        self.assertEqual(cached, {name: True for name in PROGRAM_FILES})

        # Whole lines only, and none lost: each start's status lines, and
        # every traced function's entry with its exit.
        self.assertEqual(torn, [([], True)] * len(torn))
        for step in STANDARD_STEPS:
            self.assertEqual(debug.count("UpdateSubStatus: " + step), 2, step)
        entered = collections.Counter(t[2:-4] for t in debug if t.startswith("@ ") and t.endswith("() {"))
        left = collections.Counter(t[4:] for t in debug if t.startswith("@ } "))
        self.assertEqual(entered, left)
        # What went wrong for either (the other holding the archive or a
        # folder it wanted, by turns) is in the error log, and counted by the
        # start it happened to.
        outcomes = [OUTCOME.match(text) for text in debug if text.startswith("*** Brisel Launch")]
        self.assertEqual(len(outcomes), 2, outcomes)
        self.assertEqual(sum(int(match.group(1) or 0) for match in outcomes), len(errors), errors)

        self.assertEqual(third.exit_code, 0)
        self.assertEqual(third_texts.count(UP_TO_DATE), len(entries))
        self.assertFalse([text for text in third_texts if text.startswith("InstallFileName: ")])
        self.assertEqual(third_errors, [])
        self.assertEqual(third_texts[-4], "*** Brisel Launch Successful. ***")


if __name__ == "__main__":
    unittest.main()
