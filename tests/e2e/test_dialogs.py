"""The launcher's dialogs read back as a user reads them: the replace mode's
window and its outcome boxes, the error box and the critical-failure box,
with and without the splash as their owner.

No start of the real launcher reaches the critical-failure box on demand;
launcher_dialogs.exe, a stand-in built from the launcher's own code and
resources, shows it."""

import os
import shutil
import tempfile
import unittest

from launcher_scenarios import DEBUG_LOG, ERROR_LOG, PROGRAM_DATA, Installation, held_open
from tabpack import Entry, build_archive
from winemachine import WIN_TESTS_DIR, WineMachine

VERIFY_TITLE = "Replace system files"
BOX_CAPTION = "Orvanta"
SPLASH_TITLE = "Initializing Brisel"
HEADING = "An error has occurred:"
CRITICAL_BODY = "A critical failure has occurred and Orvanta must close. Please review logs for details."
STATIC_TEXT_ID = 0xFFFF  # the text of a message box
OK_BUTTON_ID = 1


def stand_in(machine):
    """An installation with launcher_dialogs.exe beside the launcher; returns
    the installation and the stand-in's path."""
    installation = Installation(machine)
    program = machine.copy_in(os.path.join(WIN_TESTS_DIR, "launcher_dialogs.exe"), installation.folder)
    return installation, program


def open_box(installation, program, arguments, title, shot_name):
    """Starts the program and reads and closes its message box titled title."""
    started = installation.machine.start_program(program, arguments, cwd=installation.folder)
    return close_box(installation, started, title, shot_name)


def close_box(installation, started, title, shot_name):
    """Waits for the started program's message box titled title, reads it
    (information, controls and a screenshot), presses OK and returns what it
    saw with the windows beside it, the exit code and the program's logs."""
    machine = installation.machine
    if machine.uiprobe("wait", title, "30000", check=False)[0] != 0:
        started.wait(60)
        raise AssertionError("no box titled %r appeared" % title)
    seen = {
        "info": machine.window_info(title),
        "controls": {control["id"]: control for control in machine.controls(title)},
        "picture": machine.screenshot(title, shot_name),
        "windows": machine.uiprobe("list")[1],
    }
    machine.uiprobe("click", title, str(OK_BUTTON_ID))
    seen["exit_code"] = started.wait(60).exit_code
    seen["debug"] = installation.texts(DEBUG_LOG)
    seen["errors"] = installation.texts(ERROR_LOG, missing_ok=True)
    return seen


def red_pixels(picture):
    """Pixels of the error (stop) icon's red."""
    return sum(1 for r, g, b in picture.region(0, 0, picture.width, picture.height) if r > 150 and g < 90 and b < 90)


class ReplaceMode(unittest.TestCase):
    def check_outcome_box(self, seen, text):
        controls = seen["controls"]
        self.assertEqual(controls[STATIC_TEXT_ID]["text"], text)
        self.assertEqual(controls[OK_BUTTON_ID]["text"], "OK")
        self.assertEqual(sorted(c["text"] for c in controls.values() if c["class"] == "Button"), ["OK"])
        self.assertEqual(seen["info"]["owner"], "no")
        self.assertEqual(red_pixels(seen["picture"]), 0, "the outcome box has no error icon")
        # The verify window stays up behind the box.
        self.assertIn("title=" + VERIFY_TITLE, seen["windows"])

    def test_verify_window_and_the_success_box(self):
        with WineMachine(self.id(), display=True) as machine:
            installation = Installation(machine)
            started = installation.start("-d replace")
            self.assertEqual(machine.uiprobe("wait", VERIFY_TITLE, "30000", check=False)[0], 0)
            info = machine.window_info(VERIFY_TITLE)
            controls = machine.controls(VERIFY_TITLE)
            machine.screenshot(VERIFY_TITLE, "replace-verify-window")
            # The box's caption is the launcher's own path.
            seen = close_box(installation, started, installation.launcher, "replace-success-box")
        self.assertEqual(len(controls), 1)
        self.assertEqual((controls[0]["id"], controls[0]["class"], controls[0]["text"]),
                         (401, "Static", "Replacing files..."))
        self.assertEqual(int(controls[0]["style"], 16) & 0x3, 0x1, "the text is centred")
        left, top, right, bottom = (int(v) for v in info["rect"].split(","))
        screen_width, screen_height = (int(v) for v in info["screen"].split(","))
        self.assertEqual((left, top), (screen_width // 2 - (right - left) // 2,
                                       screen_height // 2 - (bottom - top) // 2))
        self.assertEqual(info["owner"], "no")
        self.check_outcome_box(seen, "System files successfully replaced!")
        self.assertEqual(seen["exit_code"], 0)

    def test_a_file_that_cannot_be_backed_up_is_not_replaced_and_no_backup_is_ever_overwritten(self):
        kept = Entry("kept.dll", "WIN", "newer", "2023-07-14T09:30:00.000Z", b"replacement kept")
        locked = Entry("locked.dll", "CUR", "newer", "2023-07-14T09:30:00.000Z", b"replacement locked")
        fresh = Entry("fresh.dll", "SYS", "newer", "2023-07-14T09:30:00.000Z", b"fresh")
        scratch = tempfile.mkdtemp(prefix="ovwin-replace-")
        self.addCleanup(shutil.rmtree, scratch, True)
        archive = build_archive(scratch, [kept, locked, fresh])
        backups = PROGRAM_DATA + "\\backup-replace\\"
        with WineMachine(self.id(), display=True) as machine:
            installation = Installation(machine, archive=archive)
            installation.add_program_data()
            machine.write_file(r"C:\windows\kept.dll", b"original kept")
            machine.write_file(installation.folder + "\\locked.dll", b"original locked")

            def read(path):
                return machine.read_bytes(path) if machine.exists(path) else None

            def files():
                return {name: read(path) for name, path in (
                    ("kept", r"C:\windows\kept.dll"), ("locked", installation.folder + "\\locked.dll"),
                    ("fresh", r"C:\windows\syswow64\fresh.dll"),
                    ("kept 1", backups + r"Windows_001\kept.dll"), ("kept 2", backups + r"Windows_002\kept.dll"),
                    ("locked 1", backups + r"tcache1_001\locked.dll"),
                    ("fresh 1", backups + r"SysWOW64_001\fresh.dll"))}

            with held_open(machine, installation.folder + "\\locked.dll"):
                failed = close_box(installation, installation.start("-d replace"), installation.launcher,
                                   "replace-failure-box")
            after_failure = files()
            # A second replacement, with nothing held: the first one's
            # backup stays as it was.
            replaced = close_box(installation, installation.start("-d replace"), installation.launcher,
                                 "replace-second-success-box")
            after_success = files()

        self.check_outcome_box(failed, "Not all system files could be replaced.\nCheck replace.log for details.")
        self.assertEqual(failed["exit_code"], 1627)
        self.assertEqual(len(failed["errors"]), 1, failed["errors"])
        self.assertTrue(failed["errors"][0].startswith(
            'Failed to back up file "locked.dll" to %stcache1_001\\locked.dll; [WIN32 0x00000020/C0032] ' % backups),
            failed["errors"][0])
        self.assertEqual([text for text in failed["debug"] if text.startswith("UpdateSubStatus: Backing up")], [
            'UpdateSubStatus: Backing up "kept.dll" to %sWindows_001\\kept.dll' % backups,
            'UpdateSubStatus: Backing up "locked.dll" to %stcache1_001\\locked.dll' % backups,
            'UpdateSubStatus: Backing up "fresh.dll" to %sSysWOW64_001\\fresh.dll' % backups,
        ])
        self.assertEqual(after_failure, {
            "kept": b"replacement kept", "locked": b"original locked", "fresh": b"fresh",
            "kept 1": b"original kept", "kept 2": None, "locked 1": None,
            "fresh 1": None,  # nothing was installed to back up
        })

        self.check_outcome_box(replaced, "System files successfully replaced!")
        self.assertEqual(replaced["exit_code"], 0)
        self.assertEqual(replaced["errors"], [])
        self.assertEqual(after_success, {
            "kept": b"replacement kept", "locked": b"replacement locked", "fresh": b"fresh",
            "kept 1": b"original kept", "kept 2": b"replacement kept", "locked 1": b"original locked",
            "fresh 1": b"fresh",
        })


class ErrorDialogs(unittest.TestCase):
    def check_box(self, seen, text, owned):
        self.assertEqual(seen["controls"][STATIC_TEXT_ID]["text"], text)
        self.assertEqual(seen["controls"][OK_BUTTON_ID]["text"], "OK")
        self.assertEqual(seen["info"]["owner"], "yes" if owned else "no")
        if owned:
            self.assertEqual(seen["info"]["owner_title"], SPLASH_TITLE)
        else:
            self.assertNotIn("title=" + SPLASH_TITLE, seen["windows"])
        self.assertGreater(red_pixels(seen["picture"]), 50, "no error icon")

    @staticmethod
    def with_and_without_splash(installation, program, command, shot_names):
        """The command's box over the splash, then in silent mode: (what was
        seen, whether the splash owned it)."""
        over_splash, silent = shot_names
        return [(open_box(installation, program, "-d " + command, BOX_CAPTION, over_splash), True),
                (open_box(installation, program, "-s -d " + command, BOX_CAPTION, silent), False)]

    def test_a_start_without_its_archive_shows_the_error_box_and_logs_it(self):
        message = "Failed to open verozar0.dll for installation."
        with WineMachine(self.id(), display=True) as machine:
            installation = Installation(machine, archive=None)
            installation.set_debug_level(1)
            installation.add_main_program()
            installation.add_program_data()
            boxes = [(close_box(installation, installation.start(arguments), BOX_CAPTION, name), owned)
                     for arguments, name, owned in (("-d", "error-box-over-splash", True),
                                                    ("-s -d", "error-box-silent", False))]

        for seen, is_owned in boxes:
            with self.subTest(owned=is_owned):
                self.check_box(seen, HEADING + "\n\n" + message, is_owned)
                # The start goes on after the box.
                self.assertEqual(seen["exit_code"], 0)
                self.assertEqual(seen["debug"][-4], "*** Brisel Launch Successful. There were 2 non-fatal errors "
                                                    "during startup. ***")
                refused = [m for m in seen["errors"] if m.startswith("OpenTABFile: ")]
                self.assertEqual(len(refused), 1)
                self.assertTrue(refused[0].startswith(
                    'OpenTABFile: Failed to open archive "verozar0.dll"; [WIN32 0x00000002/C0002] '), refused[0])
                lines = [m for m in seen["errors"] if m.startswith("Error Dialog: ")]
                self.assertEqual(lines, ["Error Dialog: %s; %s" % (HEADING, message)])
                self.assertIn("Error Dialog: %s; %s" % (HEADING, message), seen["debug"])

    def test_critical_failure_box_logs_nothing_of_its_own(self):
        with WineMachine(self.id(), display=True) as machine:
            installation, program = stand_in(machine)
            boxes = self.with_and_without_splash(installation, program, "critical",
                                                 ("critical-box-over-splash", "critical-box-silent"))
        for seen, is_owned in boxes:
            with self.subTest(owned=is_owned):
                self.check_box(seen, HEADING + "\n\n" + CRITICAL_BODY, is_owned)
                self.assertEqual(seen["exit_code"], 6)
                self.assertIn("Application is being aborted due to a critical error.", seen["debug"])
                self.assertFalse([m for m in seen["errors"] if HEADING in m or CRITICAL_BODY in m])


if __name__ == "__main__":
    unittest.main()
