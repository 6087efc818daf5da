"""The list mode's report of the package archive, and tabpack on Windows:
what support staff and packagers see, byte for byte."""

import calendar
import datetime
import os
import shutil
import tempfile
import unittest

from tabpack import UNUSED, Entry, build_archive, rename_record, tabpack, write_manifest
from winemachine import DIST_DIR, WineMachine, log_messages

# Five and a half hours east of UTC all year: no daylight saving to make
# Windows' conversion with today's offset differ from the date's own.
KOLKATA = ("Asia/Kolkata", datetime.timedelta(hours=5, minutes=30))

HEADS = "%-24s    %-10s    %-8s    %8s    %-10s    %-13s\n" % ("Filename", "Date", "Time", "Size", "Location",
                                                             "Install")
RULE = "    ".join("-" * width for width in (24, 10, 8, 8, 10, 12)) + "\n"
WORDS = {"different": "Different", "newer": "Newer", "always": "Always", "doesnotexist": "DoesNotExist"}


def utc(text):
    return datetime.datetime.strptime(text, "%Y-%m-%dT%H:%M:%SZ")


def shown(moment):
    return "%02d/%02d/%04d    %02d:%02d:%02d" % (moment.month, moment.day, moment.year, moment.hour, moment.minute,
                                                moment.second)


def expected_report(archive_time, archive_size, entries, offset):
    """The report as the launcher writes it, CR LF line ends included."""
    text = "\n\n%-24s    %s    %8d\n\n" % ("verozar0.dll", shown(archive_time + offset), archive_size)
    text += HEADS + RULE
    for entry in entries:
        text += "%-24s    %s    %8d    %-10s    %-13s\n" % (entry.name, shown(utc(entry.time) + offset),
                                                         len(entry.contents), entry.destination,
                                                         WORDS.get(entry.rule, ""))
    return text.replace("\n", "\r\n").encode("latin-1")


def set_modified(path, moment):
    seconds = calendar.timegm(moment.timetuple())
    os.utime(path, (seconds, seconds))


class ScratchFolder(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="ovwin-file-list-")
        self.addCleanup(shutil.rmtree, self.scratch, True)


class ListMode(ScratchFolder):
    def test_report_in_local_time_replaced_on_every_run(self):
        entries = [
            Entry("verozar1.exe", "CUR", "newer", "2023-07-14T09:30:00Z", bytes(range(256)) * 4),
            Entry("A rather long font file name.ttf", "FON", "doesnotexist", "2023-12-31T23:30:00Z", b"font"),
            Entry("odd.bin", "SYS", "104", "2023-03-01T00:10:00Z", b""),
            Entry("x64.dll", "S64", "always", "2022-06-30T18:45:30Z", b"x" * 7),
            # Listed as they stand, though the installation refuses them.
            Entry("..\\..\\Windows\\evil.dll", "WIN", "always", "2023-07-14T09:30:00Z", b"evil"),
            Entry("NUL .txt", "CUR", "newer", "2023-07-14T09:30:00Z", b"nul"),
        ]
        unlisted = Entry("after.dll", "CUR", "different", "2023-01-01T00:00:00Z", b"after an unused record")
        refused = {4: entries[4].name, 5: entries[5].name}
        packed = [entry._replace(name="refused%d.dll" % index) if index in refused else entry
                  for index, entry in enumerate(entries)]
        archive = build_archive(os.path.join(self.scratch, "first"), packed + [UNUSED, unlisted])
        for index, name in refused.items():
            rename_record(archive, index, name.encode("latin-1"))
        archive_time = utc("2024-03-05T01:38:09Z")
        set_modified(archive, archive_time)

        timezone, offset = KOLKATA
        with WineMachine(self.id(), timezone=timezone) as machine:
            folder = machine.install_launcher()
            report_path = folder + "\\filelist.txt"
            machine.copy_in(archive, folder)
            shutil.copystat(archive, machine.host_path(folder + "\\verozar0.dll"))
            result = machine.run(folder + "\\ovwin64.exe", "-d list", cwd=folder)
            self.assertEqual(result.exit_code, 0)
            self.assertEqual(result.stdout, b"")
            report = machine.read_bytes(report_path)
            self.assertEqual(report, expected_report(archive_time, os.path.getsize(archive), entries, offset))
            self.assertIn("Create File List.", log_messages(machine.host_path(folder + "\\OvwinDebug.log")))
            # A second run replaces the report rather than adding to it.
            self.assertEqual(machine.run(folder + "\\ovwin64.exe", "list", cwd=folder).exit_code, 0)
            self.assertEqual(machine.read_bytes(report_path), report)

            # tabpack lists in local time the way the launcher does, and goes
            # on past the unused record.
            listing = tabpack("list", archive, env=dict(os.environ, TZ=timezone)).stdout.replace(b"\n", b"\r\n")
            self.assertEqual(listing[:len(report)], report)
            self.assertTrue(listing[len(report):].startswith(b"after.dll "))

    def test_archive_problems_are_told_on_standard_output_with_a_bell(self):
        cases = [
            (None, b"Failed to open input file.\a\r\n"),
            (b"DEZORO", b"Incorrect file header\a\r\n"),
            (b"DEZORORERO\x90\x01", b"Incorrect file header size\a\r\n"),
        ]
        with WineMachine(self.id()) as machine:
            folder = machine.install_launcher()
            for contents, message in cases:
                with self.subTest(contents=contents):
                    if contents is not None:
                        machine.write_file(folder + "\\verozar0.dll", contents)
                    result = machine.run(folder + "\\ovwin64.exe", "list", cwd=folder)
                    self.assertEqual(result.exit_code, 0)
                    self.assertEqual(result.stdout, message)
                    self.assertFalse(machine.exists(folder + "\\filelist.txt"))


class TabpackOnWindows(ScratchFolder):
    def test_builds_the_same_archive_as_on_linux_and_lists_and_extracts_it(self):
        entries = [
            Entry("verozar1.exe", "CUR", "newer", None, bytes(range(256)) * 300),
            Entry("Altavy Sans.ttf", "FON", "doesnotexist", "2023-12-31T23:30:00Z", b"font"),
            UNUSED,
            Entry("empty.ini", "WIN", "different", "2023-07-14T09:30:00Z", b""),
        ]
        source_time = utc("2023-07-14T09:30:00Z")
        with WineMachine(self.id(), timezone="Asia/Tokyo") as machine:
            work = r"C:\work"
            host_work = machine.host_path(work)
            manifest = write_manifest(host_work, entries)
            set_modified(os.path.join(host_work, "verozar1.exe"), source_time)
            program = machine.copy_in(os.path.join(DIST_DIR, "tabpack.exe"), r"C:\tools")

            def run(arguments):
                return machine.run(program, arguments, cwd=work)

            self.assertEqual(run("create pack.tab archive.manifest").exit_code, 0)
            linux_archive = os.path.join(self.scratch, "pack.tab")
            tabpack("create", linux_archive, manifest)
            windows_archive = os.path.join(host_work, "pack.tab")
            with open(windows_archive, "rb") as built, open(linux_archive, "rb") as reference:
                self.assertEqual(built.read(), reference.read())

            # The list in local time, converted on Windows as on Linux.
            set_modified(windows_archive, source_time)
            set_modified(linux_archive, source_time)
            listed = run("list pack.tab")
            self.assertEqual(listed.exit_code, 0)
            expected = tabpack("list", linux_archive, env=dict(os.environ, TZ="Asia/Tokyo")).stdout
            self.assertEqual(listed.stdout, expected.replace(b"\n", b"\r\n"))

            extracted = run(r"extract pack.tab out")
            self.assertEqual(extracted.exit_code, 0, extracted.stderr)
            for entry, moment in ((entries[0], source_time), (entries[1], utc(entries[1].time))):
                path = os.path.join(host_work, "out", entry.destination, entry.name)
                with open(path, "rb") as f:
                    self.assertEqual(f.read(), entry.contents)
                self.assertEqual(os.stat(path).st_mtime_ns, calendar.timegm(moment.timetuple()) * 10**9)

            # A failed build leaves the archive as it was, and no file beside it.
            with open(windows_archive, "rb") as f:
                built = f.read()
            before = sorted(os.listdir(host_work))
            for name, lines, complaint in (
                    ("twice.manifest", '"Altavy Sans.ttf" FON newer\n"altavy sans.ttf" FON always\n',
                     b"twice.manifest: line 2: \"altavy sans.ttf\" in FON duplicates line 1"),
                    ("itself.manifest", "empty.ini WIN newer\npack.tab CUR newer\n",
                     b"itself.manifest: line 2: \"pack.tab\" is the archive being built")):
                with open(os.path.join(host_work, name), "w") as f:
                    f.write(lines)
                failed = run("create pack.tab " + name)
                self.assertEqual(failed.exit_code, 1)
                self.assertIn(complaint, failed.stderr)
                os.remove(os.path.join(host_work, name))
            with open(windows_archive, "rb") as f:
                self.assertEqual(f.read(), built)
            self.assertEqual(sorted(os.listdir(host_work)), before)

            # Links planted inside the target folder lead nowhere outside it.
            outside = os.path.join(host_work, "outside")
            os.makedirs(outside)
            with open(os.path.join(outside, "verozar1.exe"), "wb") as f:
                f.write(b"kept")
            os.makedirs(os.path.join(host_work, "linked"))
            os.symlink(outside, os.path.join(host_work, "linked", "CUR"))
            refused = run(r"extract pack.tab linked")
            self.assertEqual(refused.exit_code, 1)
            self.assertIn(b'"linked\\CUR" is a symbolic link or junction', refused.stderr)
            # Wine shows a link to a file as a plain file: the link is then
            # replaced rather than written through (Windows refuses it).
            os.makedirs(os.path.join(host_work, "filelink", "CUR"))
            os.symlink(os.path.join(outside, "verozar1.exe"), os.path.join(host_work, "filelink", "CUR", "verozar1.exe"))
            run(r"extract pack.tab filelink")
            with open(os.path.join(outside, "verozar1.exe"), "rb") as f:
                self.assertEqual(f.read(), b"kept")
            self.assertEqual(os.listdir(outside), ["verozar1.exe"])


if __name__ == "__main__":
    unittest.main()
