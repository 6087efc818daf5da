"""The standard start from the first status line to the outcome line: its
steps in order, its pauses (kept in silent mode, which shows no window), and
how it reports the launch of the main program."""

import time
import unittest

from launcher_scenarios import ERROR_LOG, STANDARD_START_PAUSES, STANDARD_STATUS, STANDARD_STEPS, Installation
from winemachine import WineMachine


class SilentStandardStart(unittest.TestCase):
    def test_no_window_but_every_step_logged_in_order_and_every_pause_kept(self):
        with WineMachine(self.id(), display=True) as machine:
            installation = Installation(machine)
            installation.add_program_data()
            installation.set_debug_level(1)
            installation.add_main_program()
            began = time.monotonic()
            started = installation.start("-s -d")
            listings = []
            while started.running():
                listings.append(machine.uiprobe("list")[1])
                time.sleep(0.2)
            self.assertEqual(started.wait(60).exit_code, 0)
            self.assertGreaterEqual(time.monotonic() - began, STANDARD_START_PAUSES)
            self.assertGreaterEqual(len(listings), 3)
            self.assertFalse([listing for listing in listings if "#32770" in listing])

            messages = installation.messages()
            texts = [text for _, _, text in messages]
            start = texts.index("WinMain: Standard Start.")
            status = [(indent, text) for _, indent, text in messages[start:]
                      if text.startswith(("UpdateStatus: ", "UpdateSubStatus: "))]
            self.assertEqual(status, [(0, "UpdateStatus: " + STANDARD_STATUS)] + [
                (0, "UpdateSubStatus: " + text) for text in STANDARD_STEPS])

            # The work of a step stands one level deeper than its status line.
            profile = '"%s\\ov_main.ini"' % installation.folder
            self.assertIn(("DEBUG   ", 3, "WinMain: Variable 'OVMainFile' set to \"%s\"." % profile), messages)
            launch = texts.index("UpdateSubStatus: Launching Brisel Please Wait...")
            self.assertEqual(messages[launch + 1:launch + 4], [
                ("DEBUG   ", 3, "ExecuteProcessEx: Calling into CreateProcess to execute new process."),
                ("DEBUG   ", 3, "ExecuteProcessEx:    -> (%s) %s\\verozar1.exe %s " % (
                    installation.folder, installation.folder, installation.launcher)),
                ("DEBUG   ", 3, "ExecuteProcessEx:    -> Success"),
            ])
            self.assertEqual(messages[launch + 4], ("DEBUG   ", 0, "*** Brisel Launch Successful. ***"))
            self.assertEqual(texts[-1], "Ending launcher application with exit code 0.")
            self.assertEqual(installation.log(ERROR_LOG, missing_ok=True), [])

    def test_repair_switch_changes_the_first_status_line(self):
        with WineMachine(self.id()) as machine:
            installation = Installation(machine)
            installation.add_program_data()
            installation.add_main_program()
            result, _ = installation.run("-s -d -r abc")
            self.assertEqual(result.exit_code, 0)
            texts = installation.texts()
            self.assertIn("UpdateStatus: Initializing Brisel (Repair Mode)...", texts)
            self.assertIn("ExecuteProcessEx:    -> (%s) %s\\verozar1.exe %s ABC" % (
                installation.folder, installation.folder, installation.launcher), texts)
            # The missing "Debug" value of a fresh machine is the one error.
            self.assertIn("*** Brisel Launch Successful. There was 1 non-fatal error during startup. ***", texts)


class LaunchFailure(unittest.TestCase):
    def test_missing_main_program_fails_the_launch_with_exit_code_110(self):
        with WineMachine(self.id()) as machine:
            installation = Installation(machine)
            installation.add_program_data()
            result, _ = installation.run("-s -d list2 abc")
            self.assertEqual(result.exit_code, 110)
            errors = [line[len("xx/xx/xx xx:xx:xx OVWIN "):] for line in installation.log(ERROR_LOG)]
            self.assertEqual(errors, [
                "ERROR !!  ExecuteProcessEx: ERROR: The process has failed to start. The specified file was not "
                "found.; [WIN32 0x00000002/C0002]",
                # the missing "Debug" value and the failed launch
                "ERROR !!  *** Brisel Launch Failed. There were 2 errors during startup. ***",
            ])
            failed = [text for text in installation.texts() if text.startswith("ExecuteProcessEx: Failed")]
            self.assertEqual(len(failed), 1)
            self.assertTrue(failed[0].startswith('ExecuteProcessEx: Failed to CreateProcess: "%s\\verozar1.exe" %s '
                                                 'LIST2 ABC; [WIN32 0x00000002/C0002] ' % (
                                                     installation.folder, installation.launcher)), failed[0])
            self.assertEqual(installation.texts()[-1], "Ending launcher application with exit code 110.")


if __name__ == "__main__":
    unittest.main()
