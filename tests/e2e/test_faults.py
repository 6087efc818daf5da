"""Faults of the workstation met during a real start under Wine: a full disk,
files held open by other programs, a missing or closed launcher key, folders
and files in each other's places. Each failure is one exact line in the
error log, counted in the outcome line; it leaves no partial file, and the
start goes on with the next file and the next step."""

import os
import re
import shutil
import unittest

from launcher_scenarios import (CACHE, CACHE_PARENT, ERROR_LOG, LAUNCHER_KEY, LAUNCHER_KEY_PATH, PROGRAM_FILES, Installation,
                                ScratchFolder, held_open)
from tabpack import Entry, build_archive, placeholder_archive
from winemachine import WIN_TESTS_DIR, WineMachine

SHARE_FOLDER = r"N:\Brisel"
FONTS = r"C:\windows\Fonts"
STAMP = "2023-07-14T09:30:00.000Z"
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


def reasonless(lines):
    """The lines with the system's own text after each error code's tag
    left out: "...; [WIN32 0x00000005/C0005] Access denied. " ends after
    the tag."""
    return [re.sub(r"(\[(?:WIN32|ERRNO) 0x[0-9a-f]{8}/C\d{4}\] ).*$", r"\1", line) for line in lines]


def program_on_share(machine, archive, sizes=None):
    """An installation on drive N: with this archive, the main program (a
    test program) and its ten companions, of 10 bytes unless sizes says
    otherwise, so that the start copies them into the cache; returns the
    Installation."""
    machine.add_drive("n")
    installation = Installation(machine, SHARE_FOLDER, archive=archive)
    installation.add_program_data()
    installation.set_debug_level(1)
    for name in PROGRAM_FILES:
        if name == "verozar1.exe":
            installation.add_main_program()
        else:
            machine.write_file(SHARE_FOLDER + "\\" + name, name.encode().ljust((sizes or {}).get(name, 10), b"."))
    os.makedirs(machine.host_path(CACHE_PARENT), exist_ok=True)
    return installation


class FullDisk(ScratchFolder):
    def test_a_copy_that_does_not_fit_is_removed_and_the_next_file_still_lands(self):
        big_font = Entry("Oskelt Big.ttf", "FON", "newer", STAMP, b"F" * 100 * 1024)
        small_font = Entry("oskeltnarrowbold.ttf", "FON", "newer", STAMP, b"f" * 2000)
        archive = build_archive(os.path.join(self.scratch, "archive"), [big_font, small_font])
        with WineMachine(self.id()) as machine:
            installation = program_on_share(machine, archive, sizes={"verozar2.dll": 600 * 1024})
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
        self.assertEqual(reasonless(errors), [
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


def answer_archive_box(test, installation, started):
    """Waits for the box of an archive the start cannot open, presses OK and
    returns the launcher's result."""
    machine = installation.machine
    found = machine.uiprobe("wait", BOX_CAPTION, "30000", check=False)[0] == 0
    if found:
        machine.uiprobe("click", BOX_CAPTION, "1")
    result = started.wait(60)
    test.assertTrue(found, "no box about the archive")
    return result


class HeldFiles(ScratchFolder):
    def test_a_held_archive_and_a_held_cache_copy_fail_alone_and_an_archive_folder_is_refused(self):
        with WineMachine(self.id(), display=True) as machine:
            installation = program_on_share(machine, build_archive(os.path.join(self.scratch, "archive"), [
                Entry("engine.dll", "CUR", "always", STAMP, b"engine")]))
            # A cached copy from before, held open by a program that shares
            # nothing, as is the archive.
            machine.write_file(CACHE + "\\verozar5.dll", b"cached before")
            with held_open(machine, SHARE_FOLDER + "\\verozar0.dll"), held_open(machine, CACHE + "\\verozar5.dll"):
                held = answer_archive_box(self, installation, installation.start("-s -d"))
                held_errors = installation.texts(ERROR_LOG)
                held_texts = installation.texts()
            kept = machine.read_bytes(CACHE + "\\verozar5.dll")
            cached = sorted(os.listdir(machine.host_path(CACHE)))

            os.remove(installation.path("verozar0.dll"))
            os.mkdir(installation.path("verozar0.dll"))
            folder = answer_archive_box(self, installation, installation.start("-s -d"))
            folder_errors = installation.texts(ERROR_LOG)
            folder_texts = installation.texts()

        self.assertEqual(reasonless(held_errors), [
            'OpenTABFile: Failed to open archive "verozar0.dll"; ' + SHARING_VIOLATION, ARCHIVE_BOX,
            failed_copy(SHARE_FOLDER, "verozar5.dll")])
        self.assertEqual(held_texts[-4], outcome(3))
        self.assertEqual(held.exit_code, 0)
        # The held copy is as it was; every other file reached the cache.
        self.assertEqual(kept, b"cached before")
        self.assertEqual(cached, sorted(PROGRAM_FILES + ["tpe"]))
        self.assertFalse(installation.exists("engine.dll"))

        self.assertEqual(reasonless(folder_errors), [
            'OpenTABFile: Failed to open archive "verozar0.dll"; ' + ACCESS_DENIED, ARCHIVE_BOX])
        self.assertEqual(folder_texts[-4], outcome(2))
        self.assertEqual(folder.exit_code, 0)


class FoldersAndFiles(ScratchFolder):
    def test_a_folder_where_a_file_belongs_and_a_file_where_a_folder_belongs(self):
        in_a_folder = Entry("engine.dll", "CUR", "newer", STAMP, b"engine")
        in_system = Entry("engine32.dll", "SYS", "newer", STAMP, b"engine32")
        after = Entry("after.dll", "CUR", "newer", STAMP, b"after")
        archive = build_archive(os.path.join(self.scratch, "archive"), [in_a_folder, in_system, after])
        with WineMachine(self.id()) as machine:
            installation = program_on_share(machine, archive)
            # A folder named as an entry, with a file in it; files named as
            # the 32-bit system folder and as the cache's grandparent, so
            # that the instance file's folder cannot be made.
            machine.write_file(SHARE_FOLDER + r"\engine.dll\inside.txt", b"inside")
            oskelt = r"C:\users\root\AppData\Local\Oskelt"
            for folder in (r"C:\windows\syswow64", oskelt):
                shutil.rmtree(machine.host_path(folder))
                machine.write_file(folder, b"not a folder")
            first, _ = installation.run("-s -i -d")
            first_errors = installation.texts(ERROR_LOG)
            first_texts = installation.texts()
            inside = machine.read_bytes(SHARE_FOLDER + r"\engine.dll\inside.txt")
            after_left = machine.read_bytes(SHARE_FOLDER + r"\after.dll")

            # The cache's folders in place, but a file named as its "tpe"
            # folder.
            for folder in (r"C:\windows\syswow64", oskelt):
                os.remove(machine.host_path(folder))
                os.makedirs(machine.host_path(folder))
            installation.add_archive(placeholder_archive())
            machine.write_file(SHARE_FOLDER + r"\tpe\engine.tpe", b"engine.tpe")
            machine.write_file(CACHE + r"\tpe", b"not a folder")
            second, _ = installation.run("-s -i -d")
            second_errors = installation.texts(ERROR_LOG)
            second_texts = installation.texts()

        # Each entry fails alone; the entry after them is installed.
        in_a_folder_lines = [
            'CheckToInstallEntry: An error occured attempting to open source file "engine.dll"; ' + ACCESS_DENIED,
            "InstallEntry: L3; Error copying file. Destination file creation resulted in INVALID_HANDLE_VALUE; "
            + ACCESS_DENIED,
            failed_entry("engine.dll")]
        cache = CACHE_PARENT + r"\_tcache1"
        self.assertEqual(reasonless(first_errors), [
            # The repair cannot make the cache's folders.
            'OVWin program data folder modification failed: Error while creating "%s"; [WIN32 0x000000b7/C0183] '
            % oskelt,
            'UpdateCacheFolder failed: Error while creating/modifying "%s"' % oskelt,
        ] + in_a_folder_lines + [
            "InstallEntry: L3; Error copying file. Destination file creation resulted in INVALID_HANDLE_VALUE; "
            "[WIN32 0x00000003/C0003] ",
            failed_entry("engine32.dll"),
        ] + [failed_copy(SHARE_FOLDER, name, cache) for name in PROGRAM_FILES] + [
            'Failed to create T1 instance file "%s\\instance.t1"; [ERRNO 0x00000002/C0002] ' % cache,
            "ExecuteProcessEx: ERROR: The process has failed to start. The specified path was not found.; "
            "[WIN32 0x00000003/C0003]",
            "*** Brisel Launch Failed. There were 20 errors during startup. ***",
        ])
        # The main program is to run from a cache that could not be made.
        self.assertEqual(first.exit_code, 110)
        self.assertIn("WinMain: Using legacy command line passing.", first_texts)
        self.assertEqual((inside, after_left), (b"inside", after.contents))

        self.assertEqual(second_errors, [failed_copy(SHARE_FOLDER, r"tpe\engine.tpe", cache)])
        self.assertEqual(second_texts[-4], outcome(1))
        self.assertEqual(second.exit_code, 0)
        self.assertIn('WinMain: Using instance file, created "%s\\instance.t1".' % cache, second_texts)


class LauncherKey(unittest.TestCase):
    def test_a_missing_launcher_key_is_made_and_a_closed_one_is_reported(self):
        with WineMachine(self.id()) as machine:
            installation = Installation(machine)
            installation.add_main_program()
            installation.add_program_data()
            # No key: only its "Debug" value, read before the logs open, is
            # counted; the key is made for the working folder.
            missing, _ = installation.run("-s -d")
            missing_texts = installation.texts()
            missing_errors = installation.log(ERROR_LOG, missing_ok=True)
            saved = machine.reg_raw(LAUNCHER_KEY_PATH, "LastRunFrom")

            # A key nobody may open, while the machine's server runs.
            machine.wine(os.path.join(WIN_TESTS_DIR, "key_security_probe.exe"), "set", LAUNCHER_KEY_PATH,
                         "D:(D;;KA;;;WD)")
            closed, _ = installation.run("-s -d")
            closed_texts = installation.texts()
            closed_errors = installation.texts(ERROR_LOG)

        self.assertEqual((missing.exit_code, missing_errors), (0, []))
        self.assertEqual(missing_texts[-4], outcome(1))
        self.assertEqual(saved[1].rstrip(b"\0"), installation.folder.encode("latin-1"))

        self.assertEqual(closed.exit_code, 0)
        self.assertEqual(reasonless(closed_errors), [
            'OVWin registry access failed: Error while opening key "%s"; %s' % (LAUNCHER_KEY_PATH, ACCESS_DENIED),
            'OVWin registry modification failed: Error while creating key "%s"; %s' % (LAUNCHER_KEY, ACCESS_DENIED),
            # Whether the key holds an archive signing key cannot be told, so
            # the archive is refused rather than trusted.
            'VerifyTABSignature: Refused archive "verozar0.dll"; the launcher key\'s value "ArchivePublicKey" could '
            'not be read; %s' % ACCESS_DENIED,
            ARCHIVE_BOX,
        ])
        self.assertIn("Initialize: Warning: Failed to save working folder to registry.", closed_texts)
        # The "Debug" value that could not be read counts too.
        self.assertEqual(closed_texts[-4], outcome(5))

if __name__ == "__main__":
    unittest.main()
