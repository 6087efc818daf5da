"""The elevation dialog as an administrator under UAC who has not elevated
meets it, in the configuration step of a first start, and the elevated
restart it leads to. Under Wine "runas" starts the copy with the caller's
token, so the copy asks again, and the tests answer it too. Such a user's
starts, with either answer, change nothing that every user of the machine
shares."""

import contextlib
import os
import time
import unittest

from launcher_scenarios import (ASSEMBLIES_DIR, DEBUG_LOG, ERROR_LOG, LAUNCHER_KEY_PATH, STANDINS_DIR, Installation,
                                ScratchFolder, mark_runtimes_installed)
from tabpack import Entry, build_archive
from winemachine import WIN_TESTS_DIR, WineMachine

POLICIES_SYSTEM = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Policies\System"
COMPANY_KEY_PATH = r"SOFTWARE\Altavy Solutions Inc."
TITLE = "Orvanta - Elevation Required"
SPLASH_TITLE = "Initializing Brisel"
PROMPT = "This application requires administrator rights through User Account Control elevation. Proceed?"
ELEVATE, CANCEL, MESSAGE, SHIELD = 1007, 1008, -1, 1000
OK_BUTTON = 1
SHIELD_BLUE = (38, 98, 196)

ASKED = ("RequestElevatedRights: Process DOES NOT have UAC elevation privileges or admin rights. We will prompt to "
         "restart with elevated status.")
DENIED = "RequestElevatedRights: User has denied elevation."
AUTHORITY_FAILURE = "InitConfigLocations: Authority failure. This operation requires full administrator rights."
ENDED = "Ending launcher application with exit code 0."
STAMP = "2023-07-14T09:30:00.000Z"


@contextlib.contextmanager
def uac_machine(test, display=True):
    """A clean machine with UAC on (Wine's prefixes have it off)."""
    with WineMachine(test.id(), display=display) as machine:
        machine.reg_add(POLICIES_SYSTEM, "EnableLUA", "REG_DWORD", 1)
        yield machine


def start_until_asked(test, machine, arguments):
    """Starts the launcher as a non-elevated administrator starts it, and
    waits for its question; returns the installation and the started
    launcher."""
    installation = Installation(machine)
    installation.add_main_program()
    started = machine.start_program(installation.launcher, arguments, cwd=installation.folder, limited=True)
    wait_for_dialog(test, machine)
    return installation, started


def wait_for_dialog(test, machine, title=TITLE):
    test.assertEqual(machine.uiprobe("wait", title, "30000", check=False)[0], 0, "no window titled %r" % title)


def still_open(machine, title=TITLE):
    return machine.uiprobe("wait", title, "0", check=False)[0] == 0


def wait_for_line(installation, text, timeout=60):
    """Waits until the debug log holds the line; for a launcher no test
    process waits for (the elevated copy)."""
    deadline = time.monotonic() + timeout
    while time.monotonic() < deadline:
        if installation.exists(DEBUG_LOG) and text in installation.texts():
            return
        time.sleep(0.2)
    raise AssertionError("the debug log never held %r" % text)


def client_offset(info):
    """Where the client area starts in a screenshot of the whole window."""
    left, top, right, bottom = (int(v) for v in info["rect"].split(","))
    width, height = (int(v) for v in info["client"].split(","))
    border = (right - left - width) // 2
    return border, bottom - top - height - border


class ElevationDialog(unittest.TestCase):
    def test_dialog_asks_once_and_only_cancel_ends_it(self):
        with uac_machine(self) as machine:
            installation, started = start_until_asked(self, machine, "-d")
            info = machine.window_info(TITLE)
            controls = {control["id"]: control for control in machine.controls(TITLE)}
            picture = machine.screenshot(TITLE, "elevation-dialog")
            machine.uiprobe("escape", TITLE)
            open_after_escape = still_open(machine)
            machine.uiprobe("close", TITLE)
            open_after_close = still_open(machine)
            machine.uiprobe("click", TITLE, str(CANCEL))
            result = started.wait(60)
            repaired = [machine.exists(r"C:\ProgramData\Altavy"),
                        machine.exists(r"C:\users\root\AppData\Local\Oskelt"),
                        machine.reg_raw(COMPANY_KEY_PATH, "_icode")]
            texts = installation.texts()
            errors = installation.texts(ERROR_LOG)

        self.assertEqual((info["owner"], info["owner_title"]), ("yes", SPLASH_TITLE))
        self.assertEqual(controls[MESSAGE]["text"], PROMPT)
        self.assertEqual(sorted((c["id"], c["text"]) for c in controls.values() if c["class"] == "Button"),
                         [(ELEVATE, "Elevate"), (CANCEL, "Cancel")])
        self.assertEqual(int(controls[ELEVATE]["style"], 16) & 0xF, 1, "Elevate is the default button")
        self.assertEqual(int(controls[SHIELD]["style"], 16) & 0x20F, 0x20E, "a centred bitmap")
        # The shield is painted into its control through its mask: its blue
        # shows, and its black surround lets the dialog's face through.
        x, y = client_offset(info)
        left, top, right, bottom = (int(v) for v in controls[SHIELD]["rect"].split(","))
        shield = picture.region(x + left, y + top, x + right, y + bottom)
        self.assertGreater(shield.count(SHIELD_BLUE), 300)
        self.assertEqual(shield.count((0, 0, 0)), 0)
        self.assertTrue(open_after_escape and open_after_close, "Escape and the close box leave it open")

        self.assertEqual(result.exit_code, 0)
        self.assertEqual(texts.count(ASKED), 1)
        refused = texts.index("CheckRights: ERROR: The user has refused elevation.")
        self.assertEqual(texts[refused - 1:refused + 3], [ASKED, "CheckRights: ERROR: The user has refused elevation.",
                                                          DENIED, AUTHORITY_FAILURE])
        # Later steps that need the rights are refused without a question.
        self.assertEqual(errors[:2], [DENIED, AUTHORITY_FAILURE])
        self.assertFalse([text for text in texts if "updates required" in text])
        self.assertEqual(repaired, [False, False, None])

    def test_elevate_restarts_the_launcher_and_ends_it_without_its_clean_up(self):
        with uac_machine(self) as machine:
            installation, started = start_until_asked(self, machine, "-d100 -kl")

            # A copy that cannot be started: the shell says so in its own
            # box, the launcher in its error box, and the question stays.
            launcher = installation.path("ovwin64.exe")
            os.rename(launcher, launcher + ".moved")
            machine.uiprobe("click", TITLE, str(ELEVATE))
            wait_for_dialog(self, machine, "Error")
            machine.uiprobe("escape", "Error")
            wait_for_dialog(self, machine, "Orvanta")
            error_box = {control["id"]: control["text"] for control in machine.controls("Orvanta")}
            machine.uiprobe("click", "Orvanta", str(OK_BUTTON))
            open_after_failure = still_open(machine)
            os.rename(launcher + ".moved", launcher)

            machine.uiprobe("click", TITLE, str(ELEVATE))
            first = started.wait(60)
            # The copy runs with the same token under Wine and asks again.
            wait_for_dialog(self, machine)
            machine.uiprobe("click", TITLE, str(CANCEL))
            wait_for_line(installation, ENDED)
            texts = installation.texts()

        self.assertIn("An error has occurred:\n\nThe application could not be spawned. Check logs for more "
                      "information.", error_box.values())
        self.assertTrue(open_after_failure)
        self.assertEqual(first.exit_code, 1)
        restart = 'ExecuteAppEx:    -> ((null)) %s\\ovwin64.exe -d100 -kl -el' % installation.folder
        self.assertEqual(texts.count(restart), 2)
        self.assertIn("ExecuteApp: ERROR: The process has failed to start. The specified file was not found.; "
                      "[WIN32 0x00000002/C0002]", texts)
        self.assertIn("Initialize: Command Line: -d100 -kl -el", texts)
        self.assertIn("Arg 2: [el]\tName=[el] Value=[]\tElevate Process Request Indicator", texts)
        # Both launchers write into the same logs: one restart line, and one
        # clean-up, the copy's.
        self.assertEqual(texts.count("Restarting application to elevate process..."), 1)
        self.assertEqual(texts.count("DisposeApp: Disposing of resources."), 1)
        self.assertEqual([text for text in texts if text.startswith("Ending launcher application")], [ENDED])
        self.assertLess(texts.index("Restarting application to elevate process..."),
                        texts.index("DisposeApp: Disposing of resources."))

    def test_without_a_screen_nobody_is_asked_and_the_repairs_are_skipped(self):
        with uac_machine(self, display=False) as machine:
            installation = Installation(machine)
            installation.add_main_program()
            result = machine.run(installation.launcher, "-s -d", cwd=installation.folder, limited=True)
            texts = installation.texts()
            errors = installation.texts(ERROR_LOG)
        self.assertEqual(result.exit_code, 0)
        self.assertTrue(errors[0].startswith("RequestElevatedRights: Failed to create elevation dialog. Details: "
                                             "[WIN32 0x00000578/C1400] "), errors[0])
        self.assertEqual(errors[1], AUTHORITY_FAILURE)
        self.assertFalse([text for text in texts if "updates required" in text])


def machine_wide_state(machine):
    """What a start may change for every user of the machine: the files and
    folders below the Windows and program-data folders (with size and
    last-write time), and HKEY_LOCAL_MACHINE\\SOFTWARE as `reg export`
    writes it."""
    state = {}
    for top in (r"C:\windows", r"C:\ProgramData"):
        for folder, folders, files in os.walk(machine.host_path(top)):
            for name in folders + files:
                path = os.path.join(folder, name)
                status = os.lstat(path)
                state[os.path.relpath(path, machine.prefix)] = (name in files and status.st_size, status.st_mtime_ns)
    export = r"C:\users\root\Temp\hklm-software.reg"
    machine.wine("reg", "export", r"HKLM\SOFTWARE", export, "/reg:64", "/y")
    state["HKLM\\SOFTWARE"] = machine.read_bytes(export).decode("utf-16")
    os.remove(machine.host_path(export))
    return state


def machine_changes(before, after):
    """The names whose state differs between two machine_wide_state()s."""
    return sorted(name for name in set(before) | set(after) if before.get(name) != after.get(name))


def answer_every_question(machine, button, still_running):
    """Presses the button on every elevation dialog that appears until
    still_running() says the launchers are done; returns how many there
    were."""
    asked = 0
    deadline = time.monotonic() + 120
    while still_running():
        if time.monotonic() > deadline:
            raise AssertionError("the launcher did not end")
        if machine.uiprobe("wait", TITLE, "500", check=False)[0] == 0:
            asked += 1
            machine.uiprobe("click", TITLE, str(button))
            button = CANCEL
    return asked


class LimitedUser(ScratchFolder):
    def test_never_changes_the_machine_and_each_launcher_asks_at_most_once(self):
        archive = build_archive(os.path.join(self.scratch, "archive"), [
            Entry("rates.dll", "CUR", "newer", STAMP, b"rates"),
            Entry("Oskelt Narrow Normal.ttf", "FON", "doesnotexist", STAMP, b"font"),
            Entry("rates.ini", "WIN", "always", STAMP, b"[rates]"),
            Entry("engine32.dll", "SYS", "newer", STAMP, b"engine32"),
            Entry("engine64.dll", "S64", "newer", STAMP, b"engine64"),
        ])
        with uac_machine(self) as machine:
            # As on Windows, only administrators may add keys below
            # HKLM\SOFTWARE; Wine enforces the DACL while the machine runs.
            machine.wine(os.path.join(WIN_TESTS_DIR, "key_security_probe.exe"), "set", "SOFTWARE",
                         "D:(A;CI;KA;;;BA)(A;CI;KA;;;SY)(A;CI;KR;;;BU)(A;CI;KR;;;WD)")
            # Everything wants an administrator: the configuration, an
            # update, the x86 runtime and an assembly.
            installation = Installation(machine, archive=archive, runtimes=False)
            mark_runtimes_installed(machine, x86=False)
            installation.add_main_program()
            installation.add_to_redist(os.path.join(STANDINS_DIR, "vc_redist.x86.exe"))
            installation.add_to_redist(os.path.join(ASSEMBLIES_DIR, "assembly-2.1.0.5.dll"), "Rating.dll")
            before = machine_wide_state(machine)

            # Cancel: one question, and every later step is refused without one.
            started = machine.start_program(installation.launcher, "-d", cwd=installation.folder, limited=True)
            cancelled_asked = answer_every_question(machine, CANCEL, started.running)
            cancelled = started.wait(10)
            cancelled_texts = installation.texts()
            cancelled_errors = installation.texts(ERROR_LOG)
            after_cancel = machine_wide_state(machine)

            # Elevate: Wine's "runas" gives the copy the same limited token,
            # so the copy asks too, once, and takes the answer Cancel.
            started = machine.start_program(installation.launcher, "-d", cwd=installation.folder, limited=True)
            elevated_asked = answer_every_question(
                machine, ELEVATE, lambda: started.running() or machine.is_running("ovwin64.exe"))
            elevated = started.wait(10)
            copy_texts = installation.texts()
            after_elevate = machine_wide_state(machine)

        self.assertEqual((cancelled.exit_code, cancelled_asked), (0, 1))
        self.assertEqual(cancelled_texts.count(ASKED), 1)
        denied_again = [text for text in cancelled_texts if "Previous elevation request was denied" in text]
        # Five entries, the runtime and the assembly.
        self.assertEqual(len(denied_again), 7, denied_again)
        self.assertEqual(cancelled_errors[:2], [DENIED, AUTHORITY_FAILURE])
        self.assertEqual(cancelled_errors.count(
            "CheckToInstallEntry: OVWin Entry install failed: Authority failure. You must be an administrator."), 5)
        # Every refusal is counted, and so is the "Debug" value of the
        # missing launcher key, read before the logs open.
        self.assertEqual(cancelled_texts[-4], "*** Brisel Launch Successful. There were %d non-fatal errors during "
                                              "startup. ***" % (len(cancelled_errors) + 1))
        # The launcher key cannot be made: said, not counted.
        self.assertIn('OVWin registry access failed: Error while creating/opening key "%s"; Setup may be required; '
                      '[WIN32 0x00000005/C0005] ' % LAUNCHER_KEY_PATH,
                      [text[:text.index("] ") + 2] for text in cancelled_texts if "Setup may be required" in text])
        self.assertFalse(machine_changes(before, after_cancel))

        self.assertEqual((elevated.exit_code, elevated_asked), (1, 2))
        self.assertIn("Initialize: Command Line: -d -el", copy_texts)
        self.assertEqual(copy_texts.count(ASKED), 1)
        self.assertEqual(copy_texts[-1], ENDED)
        self.assertFalse(machine_changes(before, after_elevate))


if __name__ == "__main__":
    unittest.main()
