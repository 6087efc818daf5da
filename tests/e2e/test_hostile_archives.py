"""Corrupt and hostile package archives, each through a real start under
Wine: the line that refuses it (or the entry it cannot copy), the error box
of an archive that cannot be opened and no other, the exit code, and every
file the start added, changed or removed on the machine's drive C:, so
that nothing lands outside the destination folders and nothing at all
comes of a refused archive.

tabpack builds none of these: a small writer below lays out the bytes."""

import os
import re
import shutil
import struct
import tempfile
import unittest

from launcher_scenarios import ERROR_LOG, Installation
from tabpack import placeholder_archive
from winemachine import WineError, WineMachine

BOX_CAPTION = "Orvanta"
STATIC_TEXT_ID = 0xFFFF
OK_BUTTON_ID = 1
REFUSED_BOX = "An error has occurred:\n\nFailed to open verozar0.dll for installation."
REFUSED_DIALOG_LINE = "Error Dialog: An error has occurred:; Failed to open verozar0.dll for installation."
OPEN_FAILED = 'OpenTABFile: Failed to open archive "verozar0.dll"; '
EXPECTED_EXIT = 0  # the start goes on after a refused archive and starts the main program

TIME = (2023, 7, 14, 5, 9, 30, 0, 0)
ALWAYS = 103
GiB = 1 << 30


def record(name, destination=b"CUR", offset=0, size=0, rule=ALWAYS, time=TIME):
    """A 100-byte file record; name and destination are written as they
    stand, cut to their fields, so a full field keeps no NUL."""
    return (name[:50].ljust(50, b"\0") + destination[:10].ljust(10, b"\0") + struct.pack("<II", offset, size) +
            struct.pack("<8H", *time) + struct.pack("<I", rule) + b"\0" * 12)


def header(header_size, archive_size, magic=b"DEZORORERO"):
    return magic + struct.pack("<II", header_size, archive_size) + b"\0" * 82


def archive(entries, sized=True, trailing=b""):
    """An archive of (name, contents) pairs or ready-made records (bytes of
    100), with the contents after the record block in order; its
    ArchiveSize counts the file unless sized is False."""
    head = 100 + 100 * len(entries)
    records, contents = b"", b""
    for entry in entries:
        if isinstance(entry, bytes):
            records += entry
        else:
            name, data = entry
            records += record(name, offset=head + len(contents), size=len(data))
            contents += data
    total = head + len(contents) + len(trailing)
    return header(head, total if sized else 0) + records + contents + trailing


def single(name, data=b"hostile"):
    return archive([(name, data)])


class Case:
    """One archive: its bytes (or a function that writes it at a host path,
    for files too large to hold), and what the start must do with it: the
    error lines, whether the box comes, and the files it installs beside the
    launcher ({name: contents})."""

    def __init__(self, label, data, errors, refused=True, installed=None, writer=None):
        self.label, self.data, self.errors = label, data, errors
        self.refused, self.installed, self.writer = refused, installed or {}, writer


def refused(label, data, reason, writer=None):
    return Case(label, data, [OPEN_FAILED + reason, REFUSED_DIALOG_LINE], writer=writer)


# Names the reader refuses, each as the only record of an archive. COM1 and
# LPT1 are left out: under Wine they would reach the host's devices, were
# one ever opened.
NAMES_NOT_BARE = [
    ("backslash", b"sub\\evil.dll"),
    ("slash", b"sub/evil.dll"),
    ("dot dot", b".."),
    ("dot dot and separators", b"..\\..\\..\\evil.dll"),
    ("drive letter and root", b"C:\\evil.dll"),
    ("drive letter, relative", b"C:evil.dll"),
    ("device NUL", b"NUL"),
    ("device CON with an extension", b"CON.txt"),
    ("device nul, blanks and an extension", b"nul .dll"),
    ("bell character", b"evil\a.dll"),
    ("tab character", b"evil\t.dll"),
    ("trailing dot", b"evil.dll."),
]


def not_bare(label, name):
    return refused(label, single(name),
                   "file record 1 has a file name that is not a bare file name and may be corrupt.")


def sparse_archive(size, archive_size):
    """Writes a sound-looking head and makes the file size bytes long
    without storing them."""
    def write(path):
        with open(path, "wb") as f:
            f.write(header(200, archive_size) + record(b"big.dll", offset=200, size=10))
            f.truncate(size)
    return write


def hostile_cases():
    sound = single(b"sound.dll")
    max_records = 0xFFFF
    # Every record of the largest record block unused but the last.
    last_of_many = bytearray(header(100 + 100 * max_records, 0) + b"\0" * (100 * max_records) + b"last")
    last_of_many[-104:-4] = record(b"last.dll", offset=len(last_of_many) - 4, size=4)
    contents_start = 300
    overlapping = archive([record(b"first.dll", offset=contents_start, size=6),
                           record(b"second.dll", offset=contents_start + 2, size=6)], trailing=b"abcdefgh")
    return [
        # The header.
        refused("empty file", b"", "it has an incorrect file format and may be corrupt."),
        refused("shorter than the magic", b"DEZOR", "it has an incorrect file format and may be corrupt."),
        refused("wrong magic", b"DEZORORERX" + sound[10:], "it has an incorrect file format and may be corrupt."),
        refused("ArchiveSize one byte more than the file", header(200, len(sound) + 1) + sound[100:],
                "it has an incorrect file size and may be corrupt."),
        refused("bytes appended after packaging", sound + b"!", "it has an incorrect file size and may be corrupt."),
        refused("HeaderSize 99", header(99, 0) + sound[100:], "it has an incorrect header size and may be corrupt."),
        refused("HeaderSize 199", header(199, 0) + sound[100:],
                "it has an incorrect file record block size and may be empty or corrupt."),
        refused("65536 records", header(100 + 100 * (max_records + 1), 0) + sound[100:],
                "it has more than 65535 file records and may be corrupt."),
        refused("HeaderSize 0xFFFFFFFF", header(0xFFFFFFFF, 0) + sound[100:],
                "it has more than 65535 file records and may be corrupt."),
        refused("record block past the end", header(100 + 100 * max_records, 0) + sound[100:],
                "could not read header; [WIN32 0x00000026/C0038] %s"),
        Case("65535 records, the last one used", bytes(last_of_many), [], refused=False,
             installed={"last.dll": b"last"}),
        refused("2 GiB file", None, "it is 2 GiB or larger and may be corrupt.", sparse_archive(2 * GiB, 0)),
        refused("4 GiB and 300 bytes, ArchiveSize its low 32 bits", None,
                "it is 2 GiB or larger and may be corrupt.", sparse_archive(4 * GiB + 300, 300)),
        # The records' texts.
        refused("name without NUL", single(b"n" * 50),
                "file record 1 has a file name without a terminating NUL and may be corrupt."),
        refused("destination without NUL", archive([record(b"dest.dll", destination=b"CURCURCURC", offset=200)]),
                "file record 1 has a destination without a terminating NUL and may be corrupt."),
    ] + [not_bare(label, name) for label, name in NAMES_NOT_BARE] + [
        Case("a sound entry, then a hostile one", archive([(b"good.dll", b"good"), (b"..\\evil.dll", b"evil")]),
             [OPEN_FAILED + "file record 2 has a file name that is not a bare file name and may be corrupt.",
              REFUSED_DIALOG_LINE]),
        # Destinations that are not one of the five codes are skipped.
        Case("destination with separators", archive([record(b"skip.dll", destination=b"..\\..\\", offset=200)]),
             [], refused=False),
        # The contents.
        Case("contents past the end", archive([record(b"past.dll", offset=200, size=10)]),
             ['InstallEntry error: Error while finalizing reading source file "past.dll"; Expected 10 bytes read, '
              '0 actual bytes read.',
              "InstallTABFile: The attempt to install or upgrade past.dll has failed."], refused=False),
        Case("contents running past the end", archive([record(b"runs.dll", offset=200, size=5000)],
                                                      trailing=b"x" * 100),
             ['InstallEntry error: Error while reading source file "runs.dll"; Expected 4096 bytes read, '
              '100 actual bytes read.',
              "InstallTABFile: The attempt to install or upgrade runs.dll has failed."], refused=False),
        # Were the seek's failure ignored, the copy would go on where the
        # record block ends and install the next entry's bytes as far.dll.
        Case("contents at 2 GiB", archive([record(b"far.dll", offset=2 * GiB, size=6),
                                           (b"after.dll", b"after!")]),
             ['InstallEntry error: Error while finalizing reading source file "far.dll" (%p); '
              "[WIN32 0x00000083/C0131] %s",
              "InstallTABFile: The attempt to install or upgrade far.dll has failed."], refused=False,
             installed={"after.dll": b"after!"}),
        Case("overlapping contents", overlapping, [], refused=False,
             installed={"first.dll": b"abcdef", "second.dll": b"cdefgh"}),
        Case("contents inside the header", archive([record(b"head.dll", offset=0, size=10)]), [], refused=False,
             installed={"head.dll": b"DEZORORERO"}),
    ]


STANDARD_START_CASES = ("wrong magic", "dot dot and separators", "contents at 2 GiB")


def snapshot(machine):
    """Every entry the machine's overlay holds for drive C: (what differs
    from the template), with its kind, size and modification time."""
    top = os.path.join(machine.root, "upper", "drive_c")
    seen = {}
    for folder, folders, files in os.walk(top):
        for name in folders + files:
            path = os.path.join(folder, name)
            status = os.lstat(path)
            seen[os.path.relpath(path, top)] = (status.st_mode, status.st_size, status.st_mtime_ns)
    return seen


def changes(before, after):
    return {path for path in set(before) | set(after) if before.get(path) != after.get(path)}


def box_text(machine):
    texts = [c["text"] for c in machine.controls(BOX_CAPTION) if c["id"] == STATIC_TEXT_ID]
    return texts[0] if texts else ""


def start_and_answer(installation, arguments, box_expected):
    """Runs a start to its end; returns its exit code and the texts of the
    boxes it showed. The expected box is waited for and answered; a start
    that should show none is given a minute, and a box it shows after all
    is read and answered rather than waited on."""
    machine = installation.machine
    started = installation.start(arguments)
    boxes = []
    if box_expected and machine.uiprobe("wait", BOX_CAPTION, "60000", check=False)[0] == 0:
        boxes.append(box_text(machine))
        machine.uiprobe("click", BOX_CAPTION, str(OK_BUTTON_ID))
    try:
        return started.wait(60).exit_code, boxes
    except WineError:
        if machine.uiprobe("wait", BOX_CAPTION, "0", check=False)[0] == 0:
            raise AssertionError("an unexpected box: %r" % box_text(machine))
        raise


def matches(line, expected):
    """expected is exact but for "%p" (a handle) and a trailing "%s" (the
    system's description of an error, which Wine words its own way)."""
    pattern = re.escape(expected).replace("%p", "[0-9A-Fa-f]+")
    if pattern.endswith("%s"):
        pattern = pattern[:-2] + ".*"
    return re.fullmatch(pattern, line) is not None


class HostileArchives(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="ovwin-hostile-archives-")
        self.addCleanup(shutil.rmtree, self.scratch, True)

    def run_cases(self, installation, arguments, cases):
        """Starts the launcher once per case, with the case's archive in
        place, and checks what the start did."""
        machine = installation.machine
        installation.add_archive(placeholder_archive())
        # Two starts with the placeholder archive show what every start
        # writes on its own (its logs, the cache...).
        for _ in range(2):
            settled = snapshot(machine)
            self.assertEqual(start_and_answer(installation, arguments, False), (EXPECTED_EXIT, []))
        routine = changes(settled, snapshot(machine))
        folder = os.path.relpath(machine.host_path(installation.folder), machine.host_path("C:\\"))
        own_files = {os.path.join(folder, name) for name in ("verozar0.dll", ERROR_LOG)}
        archive_path = installation.path("verozar0.dll")

        for case in cases:
            with self.subTest(case.label, arguments=arguments):
                os.remove(archive_path)
                if case.writer:
                    case.writer(archive_path)
                else:
                    with open(archive_path, "wb") as f:
                        f.write(case.data)
                # The preload mode keeps the error log; each start here gets its own.
                if installation.exists(ERROR_LOG):
                    os.remove(installation.path(ERROR_LOG))
                before = snapshot(machine)
                exit_code, boxes = start_and_answer(installation, arguments, case.refused)
                errors = installation.texts(ERROR_LOG, missing_ok=True)
                changed = changes(before, snapshot(machine)) - routine - own_files
                installed = {os.path.basename(path): machine.read_bytes(installation.folder + "\\" +
                                                                        os.path.basename(path))
                             for path in changed if os.path.dirname(path) == folder}
                for name in installed:
                    os.remove(installation.path(name))

                self.assertEqual(exit_code, EXPECTED_EXIT)
                self.assertEqual(boxes, [REFUSED_BOX] if case.refused else [])
                self.assertEqual(len(errors), len(case.errors), errors)
                for line, expected in zip(errors, case.errors):
                    self.assertTrue(matches(line, expected), (line, expected))
                # Only the installation's own files, and none from a refused archive.
                self.assertEqual(installed, case.installed)
                self.assertEqual({path for path in changed if os.path.dirname(path) != folder}, set())

    def test_each_archive_is_refused_or_fails_its_entry_and_writes_nothing_outside_its_destinations(self):
        cases = hostile_cases()
        # Every case in the preload mode, which runs the same update step in
        # half the time; a few again in a standard start, which also starts
        # the main program.
        standard = [case for case in cases if case.label in STANDARD_START_CASES]
        self.assertEqual(len(standard), len(STANDARD_START_CASES))
        with WineMachine(self.id(), display=True) as machine:
            installation = Installation(machine)
            installation.add_main_program()
            installation.add_program_data()
            self.run_cases(installation, "-s -d preload", cases)
            self.run_cases(installation, "-s -d", standard)


if __name__ == "__main__":
    unittest.main()
