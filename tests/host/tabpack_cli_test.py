"""tabpack's command line as a release script meets it: exit status 2 and a
hint on standard error for a misuse, help and version on standard output,
and exit status 1 with the reason for a command that fails."""

import os
import shutil
import subprocess
import tempfile
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


if __name__ == "__main__":
    unittest.main()
