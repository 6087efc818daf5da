"""The tools that keep the administrators' pages true: the check of their
log lines, switches, exit codes and names against the sources, on a small
repository of its own, and the PNG files the pictures are kept in."""

import contextlib
import io
import os
import pathlib
import shutil
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "..", "scripts"))
sys.path.insert(0, os.path.join(HERE, "..", "harness"))

import check_docs  # noqa: E402
from bitmap import Picture, read_png, write_png  # noqa: E402

COMMAND_LINE = r'''
const ArgumentSpec kArguments[] = {
    {"?", nullptr, false, "Command Line Help"},
    {"d", &LaunchOptionsRecord::DiagnosticLogging, true, "Diagnostic Logging"},
    {"s", &LaunchOptionsRecord::SilentMode, false, "Silent Mode"},
};
bool IsQuote(char c) { return c == '"'; } // a "quote" in a comment
'''
APP_LIFETIME = '''
constexpr int32_t kExitSuccess = 0;
constexpr int32_t kExitLaunchFailed = 110;
'''
MESSAGES = r'''
void Step()
{
    DebugLog("CopyStep: Copying \"%s\" to \"%s\"", source, destination);
    ErrorLog("OpenStep: Failed to open archive \"%s\"; it has an incorrect file size and may be "
             "corrupt.", name);
    DebugLog("Count: %d of %I64d done (100%%).", done, all);
    RegSetValueExA(key, "LastRunFrom", 0, REG_SZ, data, size);
    /* "OldStep: a message in a comment" */
}
'''
PAGE = '''# Page

| Switch | What |
|---|---|
| `-?` | help |
| `-d` | log |
| `-s` | silent |

| Exit code | Meaning |
|---|---|
| 0 | fine |
| 110 | not started |

| Value | For |
|---|---|
| `LastRunFrom` | the folder |

| Log line | Means |
|---|---|
| `OpenStep: Failed to open archive "verozar0.dll"; it has an incorrect file size and may be corrupt.` | truncated |

```log
12/06/26 09:05:28 OVWIN DEBUG          CopyStep: Copying "N:\\Altavy\\verozar1.exe" to
                                       "C:\\cache\\verozar1.exe"
...
12/06/26 09:05:28 OVWIN DEBUG    Count: 3 of 12 done (100%).
```
'''


class DocsCheck(unittest.TestCase):
    def setUp(self):
        self.repo = pathlib.Path(tempfile.mkdtemp(prefix="ovwin-docs-check-"))
        self.addCleanup(shutil.rmtree, self.repo, True)
        for relative, text in (("ovwin_exe/launcher/command_line.cpp", COMMAND_LINE),
                               ("ovwin_exe/launcher/app_lifetime.h", APP_LIFETIME),
                               ("ovwin_exe/install/steps.cpp", MESSAGES), ("docs/page.md", PAGE)):
            path = self.repo / relative
            path.parent.mkdir(parents=True, exist_ok=True)
            path.write_text(text)

    def check(self, old=None, new=None):
        if old is not None:
            page = self.repo / "docs" / "page.md"
            text = page.read_text()
            self.assertIn(old, text)
            page.write_text(text.replace(old, new))
        output = io.StringIO()
        with contextlib.redirect_stdout(output):
            status = check_docs.check(self.repo)
        return status, output.getvalue()

    def test_a_page_that_says_what_the_sources_say_passes(self):
        status, output = self.check()
        self.assertEqual(status, 0, output)
        self.assertIn("3 log lines, 3 switches, 2 exit codes checked; 0 problems", output)

    def test_each_difference_from_the_sources_is_found(self):
        cases = [
            ("a changed word", "Copying", "Coping", "the launcher writes no such line: CopyStep: Coping"),
            ("a line of a table", "incorrect file size", "incorrect size", "no such line: OpenStep"),
            ("a line from a comment", "Count: 3 of 12 done (100%).", "OldStep: a message in a comment",
             "no such line: OldStep"),
            ("a switch too many", "| `-s` | silent |", "| `-s` | silent |\n| `-x` | more |",
             "switches documented ['?', 'd', 's', 'x']"),
            ("a switch missing", "| `-s` | silent |\n", "", "the parser knows ['?', 'd', 's']"),
            ("another exit code", "| 110 |", "| 111 |", "exit codes documented [0, 111]"),
            ("an unknown value", "`LastRunFrom`", "`LastRunFolder`", "never name 'LastRunFolder'"),
        ]
        for name, old, new, problem in cases:
            with self.subTest(name):
                self.setUp()
                status, output = self.check(old, new)
                self.assertEqual(status, 1, output)
                self.assertIn(problem, output)

    def test_a_page_without_tables_or_lines_is_not_taken_for_a_pass(self):
        (self.repo / "docs" / "page.md").write_text("# Nothing here\n")
        status, output = self.check()
        self.assertEqual(status, 1)
        self.assertIn("holds no switch table", output)


class Pictures(unittest.TestCase):
    def test_pictures_come_back_as_written_indexed_or_not(self):
        scratch = tempfile.mkdtemp(prefix="ovwin-png-")
        self.addCleanup(shutil.rmtree, scratch, True)
        few = Picture(3, 2, [[(0, 0, 0), (255, 255, 255), (0, 0, 0)], [(10, 20, 30), (0, 0, 0), (1, 2, 3)]])
        many = Picture(300, 1, [[(x % 256, x // 256, 7) for x in range(300)]])
        for name, picture, colour_type in (("few", few, 3), ("many", many, 2)):
            with self.subTest(name):
                path = os.path.join(scratch, name + ".png")
                write_png(path, picture)
                with open(path, "rb") as f:
                    self.assertEqual(f.read()[25], colour_type)  # IHDR's colour type
                back = read_png(path)
                self.assertEqual((back.width, back.height, back.rows), (picture.width, picture.height,
                                                                        picture.rows))


if __name__ == "__main__":
    unittest.main()
