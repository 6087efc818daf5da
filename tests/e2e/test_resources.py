"""The dialog templates and texts ovwin64.exe carries, read back out of the
built file: the windows the launcher opens take their sizes, styles, captions
and control texts from here, so a slip in them shows on the user's screen."""

import os
import re
import subprocess
import unittest

from winemachine import DIST_DIR

WINDRES = "x86_64-w64-mingw32-windres"
LAUNCHER = os.path.join(DIST_DIR, "ovwin64.exe")

# windres prints the templates in this form, styles as numbers:
#  - the splash: popup, visible, centred, set foreground, set font;
#  - the verify window: popup, caption, system menu, modal frame, set font;
#  - the elevation prompt: the same with system-modal and set foreground; the
#    buttons with tab stops, the message left-aligned starting a group, the
#    shield a centred bitmap picture drawn transparently.
DIALOGS = {
    "BRISELOV_SPLASH": """\
"BRISELOV_SPLASH" DIALOGEX 0, 0, 366, 172
STYLE 0x90000a40
FONT 8, "MS Sans Serif", 0, 0, 0
BEGIN
END""",
    "VERIFYDIALOG": """\
"VERIFYDIALOG" DIALOG 0, 0, 235, 61
STYLE 0x80c800c0
CAPTION "Orvanta"
FONT 8, "MS Sans Serif"
BEGIN
  CTEXT "Verifying files...", 401, 10, 10, 215, 40, 0x50020001
END""",
    "ELEVATEDIALOG": """\
"ELEVATEDIALOG" DIALOGEX 0, 0, 246, 74
STYLE 0x80c802c2
CAPTION "Orvanta - Elevation Required"
FONT 8, "MS Shell Dlg", 0, 0, 0
BEGIN
  DEFPUSHBUTTON "Elevate", 1007, 127, 50, 60, 17, 0x50010001
  PUSHBUTTON "Cancel", 1008, 189, 50, 50, 17, 0x50010000
  LTEXT "ID_ELEVATETEXT", -1, 59, 15, 180, 30, 0x50020000
  CONTROL "UAC_SHIELD", 1000, "STATIC", 0x5000020e, 7, 15, 37, 38, 0x20, 0
END""",
}

STRINGS = {
    122: "This application requires administrator rights through User Account Control elevation. Proceed?",
    123: "Orvanta",
    124: "An error has occurred:",
    125: "A critical failure has occurred and Orvanta must close. Please review logs for details.",
}


def resources():
    return subprocess.run([WINDRES, "-i", LAUNCHER, "-O", "rc"], capture_output=True, text=True,
                          check=True).stdout


class Resources(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.text = resources()

    def test_dialog_templates(self):
        for name, expected in DIALOGS.items():
            with self.subTest(dialog=name):
                match = re.search(r'^"%s" DIALOG.*?^END$' % name, self.text, re.M | re.S)
                self.assertIsNotNone(match, name)
                self.assertEqual(match.group(0), expected)

    def test_string_table(self):
        found = {int(number): text for number, text in re.findall(r'^  (\d+), "(.*)"$', self.text, re.M)}
        self.assertEqual(found, STRINGS)
        self.assertLess(len(STRINGS[122]), 100, "the elevation prompt's buffer holds 100 bytes")

    def test_pictures(self):
        names = re.findall(r"^(\S+) 2 /\* RT_BITMAP \*/$", self.text, re.M)
        self.assertEqual(sorted(names), ["2002", "2011"])


if __name__ == "__main__":
    unittest.main()
