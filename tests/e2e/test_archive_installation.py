"""The update step under Wine with archives built by tabpack: what lands
where, byte for byte and stamped to the millisecond; the rules read against
installed files in UTC; a locked destination, a truncated archive and
missing rights, each failing its entry alone; and tabpack plan deciding as
the start then does."""

import calendar
import datetime
import os
import unittest

from launcher_scenarios import ERROR_LOG, PROGRAM_DATA, Installation, ScratchFolder, held_open
from tabpack import UNUSED, Entry, build_archive, tabpack
from winemachine import WineMachine

WINDOWS = r"C:\windows"
# Where each destination code lands on 64-bit Windows.
FOLDERS = {"FON": WINDOWS + r"\Fonts", "WIN": WINDOWS, "SYS": WINDOWS + r"\syswow64",
           "S64": WINDOWS + r"\system32"}
UPDATE_STEP = "UpdateSubStatus: Checking for required updates..."
UP_TO_DATE = "CheckToInstallEntry: This entry is installed and up-to-date."
AUTHORITY_FAILURE = "CheckToInstallEntry: OVWin Entry install failed: Authority failure. You must be an administrator."
BACKUP_FOLDERS = ["Fonts_001", "SysWOW64_001", "System32_001", "Windows_001", "tcache1_001"]


def nanoseconds(moment):
    """The last-write time a file system keeps for "YYYY-MM-DDTHH:MM:SS.mmmZ"."""
    parsed = datetime.datetime.strptime(moment, "%Y-%m-%dT%H:%M:%S.%fZ")
    return calendar.timegm(parsed.timetuple()) * 10**9 + parsed.microsecond * 1000


def place(installation, entry):
    """The Windows path an entry is installed to."""
    folder = FOLDERS.get(entry.destination, installation.folder)
    return folder + "\\" + entry.name


def logged_path(destination, name):
    """The path the update step names: a CUR entry's bare name, in the
    launcher's folder, which is the current one."""
    return FOLDERS[destination] + "\\" + name if destination in FOLDERS else name


def install_file(machine, path, contents, moment):
    host = machine.host_path(path)
    os.makedirs(os.path.dirname(host), exist_ok=True)
    with open(host, "wb") as f:
        f.write(contents)
    os.utime(host, ns=(nanoseconds(moment),) * 2)


def decisions(installation):
    """The update step's verdict on each entry it judged, by path: "install"
    or "up to date". Needs the developer level, whose existence test names
    each entry's path first."""
    texts = installation.texts()
    start = texts.index(UPDATE_STEP)
    end = next(i for i in range(start + 1, len(texts)) if texts[i].startswith("UpdateSubStatus: "))
    verdicts = {}
    path = None
    for text in texts[start:end]:
        if text.startswith("FileExist: \""):
            path = text[len("FileExist: \""):text.rindex("\"")]
        elif text == UP_TO_DATE:
            verdicts[path] = "up to date"
        elif text.startswith("CheckToInstallEntry: Installing/Upgrading "):
            verdicts[path] = "install"
    return verdicts


class UpdateStep(ScratchFolder):
    def test_entries_land_exactly_by_their_rules_and_a_second_start_finds_them_up_to_date(self):
        def data(size, seed):
            return bytes((seed + i * 7) % 256 for i in range(size))

        # Times close to midnight, so reading or writing them in local time
        # (nine hours east of UTC) would also change the day.
        installed = [
            Entry("size0.bin", "CUR", "newer", "2023-12-31T23:59:59.999Z", b""),
            Entry("size1.bin", "CUR", "different", "2024-01-01T00:00:00.001Z", data(1, 1)),
            Entry("size4095.bin", "CUR", "doesnotexist", "2023-07-14T20:15:01.120Z", data(4095, 2)),
            Entry("size4096.bin", "CUR", "newer", "2023-07-14T20:15:02.340Z", data(4096, 3)),
            Entry("size4097.bin", "CUR", "different", "2023-07-14T20:15:03.560Z", data(4097, 4)),
            Entry("size8192.bin", "CUR", "newer", "2023-07-14T20:15:04.780Z", data(8192, 5)),
            Entry("large.bin", "CUR", "newer", "2023-07-14T20:15:05.999Z", data(3 * 1024 * 1024 + 123, 6)),
            Entry("100%s done%n.txt", "CUR", "newer", "2023-07-14T20:15:06.001Z", b"percent"),
            Entry("Altavy Sans.ttf", "FON", "doesnotexist", "2023-07-14T20:15:07.002Z", b"font"),
            Entry("ovwin-sample.ini", "WIN", "different", "2023-07-14T20:15:08.003Z", b"[sample]\r\n"),
            Entry("engine32.dll", "SYS", "newer", "2023-07-14T20:15:09.004Z", data(5000, 7)),
            Entry("engine64.dll", "S64", "newer", "2023-07-14T20:15:10.005Z", data(6000, 8)),
        ]
        # Up to date against what is installed, read in UTC: the same
        # minute, and a minute later than the entry.
        same_minute = Entry("same-minute.dll", "CUR", "different", "2023-12-31T23:30:00.000Z", b"archive")
        minute_later = Entry("minute-later.dll", "CUR", "newer", "2023-12-31T23:30:00.000Z", b"archive")
        held = Entry("held.dll", "CUR", "newer", "2023-07-14T20:16:00.000Z", b"new held")
        after_held = Entry("after-held.dll", "CUR", "newer", "2023-07-14T20:16:00.000Z", b"after")
        never = [Entry("type104.dat", "CUR", "104", "2023-07-14T20:16:00.000Z", b"104"),
                 Entry("type0.dat", "WIN", "0", "2023-07-14T20:16:00.000Z", b"0")]
        skipped = Entry("odd.dll", "XYZ", "always", "2023-07-14T20:16:00.000Z", b"odd")
        entries = installed[:6] + [UNUSED, same_minute, minute_later, held, after_held] + never + [
            skipped] + installed[6:]
        archive = build_archive(os.path.join(self.scratch, "archive"), entries)

        with WineMachine(self.id(), timezone="Asia/Tokyo") as machine:
            installation = Installation(machine, archive=archive)
            installation.set_debug_level(1)
            installation.add_main_program()
            installation.add_program_data()
            install_file(machine, place(installation, same_minute), b"install", "2023-12-31T23:30:59.000Z")
            install_file(machine, place(installation, minute_later), b"installed", "2023-12-31T23:31:00.000Z")
            install_file(machine, place(installation, held), b"old held", "2023-07-14T20:15:00.000Z")

            # tabpack plan, on the machine's own folders, before the start.
            root = os.path.join(self.scratch, "root")
            os.makedirs(root)
            os.symlink(machine.host_path(installation.folder), os.path.join(root, "CUR"))
            for code, folder in FOLDERS.items():
                os.symlink(machine.host_path(folder), os.path.join(root, code))
            plan = tabpack("plan", archive, root).stdout.decode().splitlines()

            with held_open(machine, place(installation, held)):
                result, _ = installation.run("-s -d100")
                self.assertEqual(result.exit_code, 0)
                first = decisions(installation)
                first_errors = installation.texts(ERROR_LOG)
                first_texts = installation.texts()
                files = {entry: machine.host_path(place(installation, entry))
                         for entry in installed + [after_held]}
                landed = {}
                for entry, path in files.items():
                    with open(path, "rb") as f:
                        landed[entry] = (f.read(), os.stat(path).st_mtime_ns)

                result, _ = installation.run("-s -d100")
                self.assertEqual(result.exit_code, 0)
                second = decisions(installation)
                second_errors = installation.texts(ERROR_LOG)
            self.assertEqual(machine.read_bytes(place(installation, held)), b"old held")
            self.assertEqual(machine.read_bytes(place(installation, same_minute)), b"install")
            self.assertEqual(machine.read_bytes(place(installation, minute_later)), b"installed")
            for entry in never:
                self.assertFalse(machine.exists(place(installation, entry)), entry.name)
            self.assertFalse(machine.exists(installation.folder + "\\odd.dll"))
            backups = sorted(os.listdir(machine.host_path(PROGRAM_DATA + r"\backup")))

        judged = [entry for entry in entries if entry not in (UNUSED, skipped)]
        paths = {entry: logged_path(entry.destination, entry.name) for entry in judged}
        # Every entry byte for byte in its folder, its time to the millisecond.
        for entry in installed + [after_held]:
            contents, written = landed[entry]
            self.assertEqual(contents, entry.contents, entry.name)
            self.assertEqual(written, nanoseconds(entry.time), entry.name)
        self.assertEqual({path: verdict for path, verdict in first.items()}, {
            paths[entry]: "up to date" if entry in never + [same_minute, minute_later] else "install"
            for entry in judged})
        self.assertIn("CheckToInstallEntry: Installing/Upgrading 100%s done%n.txt...", first_texts)
        # The skipped entry is named only where the archive's records are listed.
        self.assertEqual([text for text in first_texts if "odd.dll" in text],
                         ["OpenTABFile: File record 14: FileName=odd.dll Destination=XYZ Size=3"])

        # The locked file cannot be read (so counts as absent, and is not
        # deleted) nor replaced; the entry after it is installed.
        held_path = paths[held]
        self.assertEqual(len(first_errors), 3, first_errors)
        self.assertTrue(first_errors[0].startswith(
            'CheckToInstallEntry: An error occured attempting to open source file "%s"; [WIN32 0x00000020/C0032] '
            % held_path), first_errors[0])
        self.assertTrue(first_errors[1].startswith(
            "InstallEntry: L3; Error copying file. Destination file creation resulted in INVALID_HANDLE_VALUE; "
            "[WIN32 0x00000020/C0032] "), first_errors[1])
        self.assertEqual(first_errors[2], "InstallTABFile: The attempt to install or upgrade held.dll has failed.")
        self.assertIn("*** Brisel Launch Successful. There were 3 non-fatal errors during startup. ***", first_texts)
        self.assertIn('"%s" Current File: Unknown,  Installer File: 7-14-2023 20:16 8' % held_path,
                      " ".join(first_texts))

        # The second start finds every entry in place but the locked one.
        self.assertEqual(second, {path: "install" if path == held_path else "up to date"
                                  for path in first})
        self.assertEqual(second_errors, first_errors)
        # Both starts found the backup folders empty and so kept their numbers.
        self.assertEqual(backups, BACKUP_FOLDERS)

        # tabpack plan said what the first start then did.
        planned = {}
        for line in plan[:-1]:
            if not line.startswith("record "):
                name_part, verdict = line.split(": ", 2)[:2]
                planned[logged_path(*name_part.split("/", 1))] = verdict.split(" (")[0]
        self.assertEqual(planned, first)
        self.assertEqual(plan[-1], "%s: 14 to install, 4 up to date, 1 skipped" % archive)

    def test_a_truncated_archive_and_missing_rights_fail_their_entries_alone(self):
        whole = Entry("whole.dat", "CUR", "newer", "2023-07-14T09:30:00.000Z", b"w" * 100)
        cut = Entry("cut.dat", "CUR", "newer", "2023-07-14T09:30:00.000Z", b"c" * 4097)
        truncated = build_archive(os.path.join(self.scratch, "truncated"), [whole, cut], sized=False)
        with open(truncated, "r+b") as f:
            f.truncate(os.path.getsize(truncated) - 1)

        current = Entry("current.dat", "CUR", "different", "2023-07-14T09:30:00.000Z", b"current")
        needed = [Entry("needed.dat", "CUR", "newer", "2023-07-14T09:30:00.000Z", b"needed"),
                  Entry("needed.dll", "WIN", "always", "2023-07-14T09:30:00.000Z", b"needed")]
        rights = build_archive(os.path.join(self.scratch, "rights"), needed[:1] + [current] + needed[1:])

        with WineMachine(self.id()) as machine:
            installation = Installation(machine, archive=truncated)
            installation.set_debug_level(1)
            installation.add_main_program()
            installation.add_program_data()
            installation.run("-s -d100")
            truncated_errors = installation.texts(ERROR_LOG)
            truncated_texts = installation.texts()
            whole_left = machine.read_bytes(installation.folder + "\\whole.dat")
            cut_left = machine.exists(installation.folder + "\\cut.dat")

            # A non-elevated administrator with UAC off cannot be asked.
            installation.add_archive(rights)
            install_file(machine, installation.folder + "\\current.dat", b"current", "2023-07-14T09:30:00.000Z")
            machine.run(installation.launcher, "-s -d", cwd=installation.folder, limited=True)
            rights_errors = [text for text in installation.texts(ERROR_LOG) if "InstallTABFile" in text or
                             "CheckToInstallEntry" in text]
            rights_texts = installation.texts()
            installed_anyway = [machine.exists(r"C:\windows\needed.dll"), machine.exists(installation.folder + "\\needed.dat")]

        self.assertEqual(whole_left, whole.contents)
        self.assertEqual(truncated_errors, [
            'InstallEntry error: Error while finalizing reading source file "cut.dat"; Expected 1 bytes read, 0 actual '
            'bytes read.',
            "InstallTABFile: The attempt to install or upgrade cut.dat has failed.",
        ])
        # A block was written before the read failed: the file is closed and
        # deleted, so nothing of it is left.
        start = truncated_texts.index("CheckToInstallEntry: Installing/Upgrading cut.dat...")
        copy = [text for text in truncated_texts[start + 1:truncated_texts.index(truncated_errors[1])]
                if text.startswith(("InstallEntry", "CloseAndDestroyHandle"))]
        self.assertEqual(len(copy), 3, copy)
        self.assertTrue(copy[0].startswith("InstallEntry: Obtained file handle: "), copy[0])
        self.assertEqual(copy[1], truncated_errors[0])
        self.assertTrue(copy[2].startswith("CloseAndDestroyHandle: Closing Output="), copy[2])
        self.assertFalse(cut_left)

        self.assertEqual(rights_errors, [
            AUTHORITY_FAILURE, "InstallTABFile: The attempt to install or upgrade needed.dat has failed.",
            AUTHORITY_FAILURE, "InstallTABFile: The attempt to install or upgrade needed.dll has failed.",
        ])
        self.assertEqual(rights_texts.count(UP_TO_DATE), 1)
        self.assertEqual(installed_anyway, [False, False])


if __name__ == "__main__":
    unittest.main()
