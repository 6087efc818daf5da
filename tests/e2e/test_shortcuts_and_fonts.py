"""The shortcuts to the launcher, in the start menu and beside it, read back
with lnkinfo; and the product's fonts, added at every start, seen through
Wine's relay trace of AddFontResourceA (a font added under Wine is private
to the process that added it)."""

import os
import re
import unittest

from launcher_scenarios import ERROR_LOG, Installation
from lnkinfo import read_link
from winemachine import WineMachine, relay_calls

START_MENU = r"C:\users\root\AppData\Roaming\Microsoft\Windows\Start Menu\Programs\Altavy Solutions"
DIAGNOSTIC_MODE = ("Altavy Brisel (Diagnostic Mode).LNK", "-d -i",
                   "Starts the Brisel OV launcher program in diagnostic mode.")
# (folder, or None for the launcher's; link name; arguments; description)
SHORTCUTS = [
    (START_MENU, "Altavy Brisel.LNK", "-i", "Altavy Brisel OV"),
    (START_MENU + r"\Diagnostics",) + DIAGNOSTIC_MODE,
    (None,) + DIAGNOSTIC_MODE,
    (None, "Altavy Brisel (Clear Users).LNK", "-i CLEAR",
     "Starts the Brisel OV launcher program and force clears all active users from the system."),
]
DEJAVU = "/usr/share/fonts/truetype/dejavu"
# The launcher's font names, in its order, with the real TrueType file laid
# down under each; None: the file is missing.
FONTS = [("Oskelt Narrow Normal.ttf", "DejaVuSans.ttf"), ("oskeltnarrowbold.ttf", "DejaVuSans-Bold.ttf"),
         ("Oskeltnarrowsemibold.ttf", None), ("CODE128W.ttf", "DejaVuSansMono.ttf")]


def link_path(installation, folder, name):
    """The Windows path the launcher saves a link under: the launcher's
    folder ends with a backslash, so that link path has two in a row."""
    return (folder + "\\" if folder else installation.folder + "\\\\") + name


def creating(installation, folder, name, description):
    return 'CreateShortcut: Creating shortcut "%s" pointing to "%s" ("%s").' % (
        link_path(installation, folder, name), installation.launcher, description)


class ShortcutsAndFonts(unittest.TestCase):
    def assert_link(self, installation, folder, name, arguments, description):
        fields = read_link(installation.machine.host_path(link_path(installation, folder, name)))
        self.assertEqual({key: fields.get(key) for key in (
            "Local path", "Working directory", "Command line arguments", "Description", "Icon location",
            "Icon index")}, {
            "Local path": installation.launcher, "Working directory": installation.folder,
            "Command line arguments": arguments, "Description": description,
            "Icon location": installation.launcher, "Icon index": "0"}, name)

    def test_missing_links_are_made_existing_ones_kept_repair_rewrites_them_and_fonts_are_added(self):
        with WineMachine(self.id()) as machine:
            installation = Installation(machine)
            installation.add_program_data()
            installation.set_debug_level(1)
            installation.add_main_program()
            fonts = machine.host_path(r"C:\windows\Fonts")
            for name, real_font in FONTS:
                if real_font:
                    machine.copy_in(os.path.join(DEJAVU, real_font), r"C:\windows\Fonts", name)
            # The diagnostic-mode link beside the launcher is there already.
            kept = installation.path(SHORTCUTS[2][1])
            with open(kept, "wb") as f:
                f.write(b"a link an administrator made")

            # First start: the three missing links are made, the existing one
            # is left as it is; the fonts are added in order, the missing one
            # adds nothing, and the step writes nothing.
            result, _ = installation.run("-s -d", env=machine.relay_env(["GDI32.AddFontResourceA"]))
            self.assertEqual(result.exit_code, 0)
            added = [(re.search(r'"(.*)"', arguments).group(1).replace("\\\\", "\\"), count)
                     for function, arguments, count in relay_calls(result.stderr)
                     if function.endswith("AddFontResourceA")]
            self.assertEqual(added, [(r"C:\windows\Fonts" + "\\" + name, 1 if real_font else 0)
                                     for name, real_font in FONTS])
            self.assertFalse(os.path.exists(os.path.join(fonts, FONTS[2][0])))
            texts = installation.texts()
            fonts_step = texts.index("UpdateSubStatus: Validating Altavy Fonts...")
            self.assertEqual(texts[fonts_step + 1], "UpdateSubStatus: Validating Brisel executables...")

            self.assertEqual([text for text in texts if text.startswith("CreateShortcut: Creating")], [
                creating(installation, folder, name, description)
                for index, (folder, name, _, description) in enumerate(SHORTCUTS) if index != 2])
            self.assertEqual(texts.count("CreateShortcut: Shortcut created successfully."), 3)
            for index, shortcut in enumerate(SHORTCUTS):
                if index != 2:
                    self.assert_link(installation, *shortcut)
            with open(kept, "rb") as f:
                self.assertEqual(f.read(), b"a link an administrator made")
            self.assertEqual(installation.log(ERROR_LOG, missing_ok=True), [])

            # Repair start: every link is written anew; one that cannot be
            # saved (a folder stands in its place) fails with its line and
            # keeps none of the others from being written.
            blocked = machine.host_path(link_path(installation, *SHORTCUTS[0][:2]))
            os.remove(blocked)
            os.mkdir(blocked)
            result, _ = installation.run("-s -d -r")
            self.assertEqual(result.exit_code, 0)
            texts = installation.texts()
            self.assertEqual([text for text in texts if text.startswith("CreateShortcut: Creating")], [
                creating(installation, folder, name, description) for folder, name, _, description in SHORTCUTS])
            self.assertEqual(texts.count("CreateShortcut: Shortcut created successfully."), 3)
            for shortcut in SHORTCUTS[1:]:
                self.assert_link(installation, *shortcut)
            failures = [line for line in installation.texts(ERROR_LOG) if line.startswith("CreateShortcut:")]
            self.assertEqual(len(failures), 1)
            self.assertRegex(failures[0], r"^CreateShortcut: Call to IPersistFile::Save failed; \[HRESULT 0x8")


if __name__ == "__main__":
    unittest.main()
