"""Faults of the workstation met during a real start under Wine: a full disk,
files held open by other programs, a missing or closed launcher key, folders
and files in each other's places. Each failure is one exact line in the
error log, counted in the outcome line; it leaves no partial file, and the
start goes on with the next file and the next step."""

import os
import shutil
import tempfile
import unittest

from launcher_scenarios import (DEBUG_LOG, ERROR_LOG, LAUNCHER_KEY, LAUNCHER_KEY_PATH, Installation, held_open)
from tabpack import Entry, build_archive
from winemachine import WIN_TESTS_DIR, WineMachine

SHARE_FOLDER = r"N:\Brisel"
CACHE_PARENT = r"C:\users\root\AppData\Local\Oskelt\Orvanta"
CACHE = CACHE_PARENT + r"\_tcache1"
FONTS = r"C:\windows\Fonts"
STAMP = "2023-07-14T09:30:00.000Z"
PROGRAM_FILES = ["ovwin.chm", "oktov.chm", "readme.htm", "ovw_sp.chm", "verozar1.exe", "verozar2.dll",
                 "verozar5.dll", "verozar6.exe", "verozar7.exe", "verozarx.dll", "verozaru.dll"]
BOX_CAPTION = "Orvanta"
ARCHIVE_BOX = "Error Dialog: An error has occurred:; Failed to open verozar0.dll for installation."
DISK_FULL = "[WIN32 0x00000070/C0112] "
SHARING_VIOLATION = "[WIN32 0x00000020/C0032] "
ACCESS_DENIED = "[WIN32 0x00000005/C0005] "


def outcome(errors):
    if errors == 1:
        return "*** Brisel Launch Successful. There was 1 non-fatal error during startup. ***"
    return "*** Brisel Launch Successful. There were %d non-fatal errors during startup. ***" % errors


def failed_copy(source_folder, name, cache=CACHE):
    return 'InstallFileName: Failed to copy "%s\\%s" to "%s\\%s"' % (source_folder, name, cache, name)


def failed_entry(name):
    return "InstallTABFile: The attempt to install or upgrade %s has failed." % name


def without_reason(lines, prefixes):
    """The lines, each one that starts with one of the prefixes (an error
    line up to its Win32 code) cut after that prefix: the system's own text
    follows there."""
    cut = []
    for line in lines:
        prefix = next((p for p in prefixes if line.startswith(p)), None)
        cut.append(prefix if prefix else line)
    return cut


def program_on_share(machine, sizes=None):
    """An installation on drive N: with the main program (a test program)
    and its ten companions, small unless sizes says otherwise, so that the
    start copies them into the cache; returns the Installation."""
    machine.add_drive("n")
    installation = Installation(machine, SHARE_FOLDER, archive=False)
    installation.add_program_data()
    installation.set_debug_level(1)
    for name in PROGRAM_FILES:
        if name == "verozar1.exe":
            installation.add_main_program()
        else:
            machine.write_file(SHARE_FOLDER + "\\" + name, b"%s" % name.encode().ljust((sizes or {}).get(name, 10), b"."))
    os.makedirs(machine.host_path(CACHE_PARENT), exist_ok=True)
    return installation


class ScratchFolder(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="ovwin-faults-")
        self.addCleanup(shutil.rmtree, self.scratch, True)


class FullDisk(ScratchFolder):
    def test_a_copy_that_does_not_fit_is_removed_and_the_next_file_still_lands(self):
        big_font = Entry("Oskelt Big.ttf", "FON", "newer", STAMP, b"F" * 100 * 1024)
        small_font = Entry("oskeltnarrowbold.ttf", "FON", "newer", STAMP, b"f" * 2000)
        archive = build_archive(os.path.join(self.scratch, "archive"), [big_font, small_font])
        with WineMachine(self.id()) as machine:
            installation = program_on_share(machine, sizes={"verozar2.dll": 600 * 1024})
            installation.add_archive(archive)
            # The fonts folder and the cache each on a disk too small for one
            # of their files.
            fonts = machine.mount_small_disk(FONTS, 64)
            cache = machine.mount_small_disk(CACHE, 512)
            result, _ = installation.run("-s -i -d")
            errors = installation.texts(ERROR_LOG)
            texts = installation.texts()
            fonts_left = sorted(os.listdir(fonts))
            cache_left = sorted(os.listdir(cache))
            small_font_left = machine.read_bytes(FONTS + "\\" + small_font.name)

        self.assertEqual(result.exit_code, 0)
        self.assertEqual(without_reason(errors, ['InstallEntry error: Error while writing destination file "%s\\%s"; %s'
                                                 % (FONTS, big_font.name, DISK_FULL)]), [
            'InstallEntry error: Error while writing destination file "%s\\%s"; %s' % (FONTS, big_font.name, DISK_FULL),
            failed_entry(big_font.name),
            failed_copy(SHARE_FOLDER, "verozar2.dll"),
        ])
        self.assertEqual(texts[-4], outcome(3))
        # Nothing of either file is left; the files after each are in place,
        # the main program ran from the cache with its instance file there.
        self.assertEqual(fonts_left, [small_font.name])
        self.assertEqual(small_font_left, small_font.contents)
        self.assertEqual(cache_left, sorted([name for name in PROGRAM_FILES if name != "verozar2.dll"] +
                                            ["instance.t1", "tpe"]))
        self.assertIn("WinMain: Using instance file, created \"%s\\instance.t1\"." % CACHE, texts)


if __name__ == "__main__":
    unittest.main()
