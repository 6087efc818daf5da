"""tabpack's command line as a release script meets it: exit status 2 and a
hint on standard error for a misuse, help and version on standard output,
and exit status 1 with the reason for a command that fails."""

import calendar
import os
import shutil
import subprocess
import tempfile
import time
import unittest

TABPACK = os.environ.get("OVWIN_TABPACK",
                         os.path.join(os.path.dirname(__file__), "..", "..", "build", "host", "bin", "tabpack"))


def tabpack(*args, cwd=None):
    return subprocess.run([TABPACK, *args], capture_output=True, cwd=cwd)


class CommandLine(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="ovwin-tabpack-cli-")
        self.addCleanup(shutil.rmtree, self.scratch, True)

    def test_misuse_exits_2_with_a_hint_and_no_output(self):
        cases = [
            ((), "missing command"),
            (("pack", "a.tab"), "unknown command pack"),
            (("create", "a.tab"), "wrong arguments for create"),
            (("verify",), "wrong arguments for verify"),
            (("extract", "a.tab", "out", "more"), "wrong arguments for extract"),
            (("list", "--no-size", "a.tab"), "unknown option --no-size"),
            (("create", "--utc", "a.tab", "m"), "unknown option --utc"),
            (("verify", "-x", "a.tab"), "unknown option -x"),
            (("plan", "a.tab"), "wrong arguments for plan"),
            (("plan", "--utc", "a.tab", "root"), "unknown option --utc"),
        ]
        for args, problem in cases:
            with self.subTest(args=args):
                result = tabpack(*args)
                self.assertEqual(result.returncode, 2)
                self.assertEqual(result.stdout, b"")
                self.assertEqual(result.stderr.decode(), "tabpack: %s\nTry 'tabpack --help'.\n" % problem)

    def test_help_and_version_go_to_standard_output(self):
        for option in ("--help", "-h"):
            result = tabpack(option)
            self.assertEqual(result.returncode, 0)
            self.assertEqual(result.stderr, b"")
            self.assertTrue(
                result.stdout.startswith(b"Usage: tabpack create [--no-size] [--sign PRIVATE] ARCHIVE MANIFEST\n"))
        result = tabpack("--version")
        self.assertEqual(result.returncode, 0)
        self.assertRegex(result.stdout.decode(), r"^tabpack \d+\.\d+\.\d+\.\d+\n$")

    def test_failures_exit_1_and_say_why(self):
        with open(os.path.join(self.scratch, "a.dll"), "wb") as f:
            f.write(b"a")
        manifest = os.path.join(self.scratch, "twice.manifest")
        with open(manifest, "w") as f:
            f.write("a.dll CUR newer\na.dll CUR always\n")
        archive = os.path.join(self.scratch, "a.tab")
        result = tabpack("create", archive, manifest)
        self.assertEqual(result.returncode, 1)
        self.assertIn("%s: line 2: \"a.dll\" in CUR duplicates line 1" % manifest, result.stderr.decode())
        self.assertFalse(os.path.exists(archive))

        result = tabpack("verify", os.path.join(self.scratch, "missing.tab"))
        self.assertEqual(result.returncode, 1)
        self.assertRegex(result.stderr.decode(), r'^tabpack: cannot read archive ".*missing.tab": ')


def write(path, contents, modified=None):
    """Writes a file, its last-write time "YYYY-MM-DDTHH:MM:SS.mmmZ" when given."""
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(contents)
    if modified:
        seconds = calendar.timegm(time.strptime(modified[:19], "%Y-%m-%dT%H:%M:%S"))
        nanoseconds = seconds * 10**9 + int(modified[20:23]) * 10**6
        os.utime(path, ns=(nanoseconds, nanoseconds))


class Plan(unittest.TestCase):
    """What a standard start would do against a staging copy of the
    installed files."""

    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="ovwin-tabpack-plan-")
        self.addCleanup(shutil.rmtree, self.scratch, True)

    def test_each_record_is_judged_against_the_file_at_its_place(self):
        entry_time = "2023-07-14T09:30:00Z"
        manifest = [
            # name, destination, rule, installed (time, contents) or None
            ("seconds.dll", "SYS", "different", ("2023-07-14T09:30:59.999Z", b"12345")),
            ("size.dll", "S64", "different", ("2023-07-14T09:30:00.000Z", b"123456")),
            ("older.exe", "CUR", "newer", ("2023-07-14T09:31:00.000Z", b"1")),
            ("later year.exe", "CUR", "newer", ("2022-12-14T09:30:00.000Z", b"12345")),
            ("font.ttf", "FON", "doesnotexist", ("2001-01-01T00:00:00.000Z", b"")),
            ("new.ini", "WIN", "doesnotexist", None),
            ("always.dll", "WIN", "always", ("2023-07-14T09:30:00.000Z", b"12345")),
            ("type104.dat", "CUR", "104", None),
            ("type0.dat", "CUR", "0", ("2001-01-01T00:00:00.000Z", b"")),
            ("odd.dll", "XYZ", "always", None),
        ]
        sources = os.path.join(self.scratch, "sources")
        root = os.path.join(self.scratch, "staging")
        lines = []
        for name, destination, rule, installed in manifest:
            write(os.path.join(sources, name), b"12345")
            lines.append('"sources/%s" %s %s %s' % (name, destination, rule, entry_time))
            if installed:
                write(os.path.join(root, destination, name), installed[1], installed[0])
        # A folder where a file is expected cannot be read: it counts as absent.
        write(os.path.join(sources, "folder.dll"), b"12345")
        lines.append('"sources/folder.dll" CUR newer ' + entry_time)
        os.makedirs(os.path.join(root, "CUR", "folder.dll"))
        with open(os.path.join(self.scratch, "m"), "w") as f:
            f.write("\n".join(lines[:3] + ["unused"] + lines[3:]) + "\n")
        archive = os.path.join(self.scratch, "a.tab")
        self.assertEqual(tabpack("create", archive, os.path.join(self.scratch, "m")).returncode, 0)

        result = tabpack("plan", archive, root)
        self.assertEqual(result.returncode, 0, result.stderr)
        entry = "entry 2023-07-14 09:30 UTC, 5 bytes; "
        self.assertEqual(result.stdout.decode().splitlines(), [
            "SYS/seconds.dll: up to date (different: same time to the minute and same size); " + entry +
            "installed 2023-07-14 09:30 UTC, 5 bytes",
            "S64/size.dll: install (different: time or size differs); " + entry +
            "installed 2023-07-14 09:30 UTC, 6 bytes",
            "CUR/older.exe: up to date (newer: the entry is not newer); " + entry +
            "installed 2023-07-14 09:31 UTC, 1 bytes",
            "CUR/later year.exe: install (newer: the entry is newer); " + entry +
            "installed 2022-12-14 09:30 UTC, 5 bytes",
            "FON/font.ttf: up to date (doesnotexist: installed already); " + entry +
            "installed 2001-01-01 00:00 UTC, 0 bytes",
            "WIN/new.ini: install (doesnotexist: not installed); " + entry + "not installed",
            "WIN/always.dll: install (always: always installed); " + entry + "installed 2023-07-14 09:30 UTC, 5 bytes",
            "CUR/type104.dat: up to date (rule 104: never installed); " + entry + "not installed",
            "CUR/type0.dat: up to date (rule 0: never installed); " + entry + "installed 2001-01-01 00:00 UTC, 0 bytes",
            'record 11 "odd.dll": skipped: destination "XYZ" is not CUR, FON, WIN, SYS or S64',
            "CUR/folder.dll: install (newer: unreadable, counts as not installed); " + entry +
            'cannot read "%s/CUR/folder.dll": not a regular file' % root,
            "%s: 5 to install, 5 up to date, 1 skipped" % archive,
        ])
        # The archive's warnings, as verify gives them, go to standard error.
        self.assertIn("record 11: destination", result.stderr.decode())

        # An archive the launcher would install wrongly is not planned.
        with open(archive, "ab") as f:
            f.write(b"appended")
        result = tabpack("plan", archive, root)
        self.assertEqual(result.returncode, 1)
        self.assertEqual(result.stdout, b"")
        self.assertIn('nothing planned: "%s" is not sound' % archive, result.stderr.decode())


if __name__ == "__main__":
    unittest.main()
