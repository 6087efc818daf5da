"""How the standard start hands over to the main program: the command line
it builds, the instance file, the folder and show command of the new
process, as the sample main program reports them."""

import os
import unittest

from launcher_scenarios import ERROR_LOG, Installation, main_program_report
from winemachine import DIST_DIR, WineMachine

REPORT = "verozar1-report.txt"
WINDOW_TITLE = "Brisel - sample main program"


def read_report(installation):
    """The sample main program's report beside it, once it has written it."""
    return main_program_report(installation.path(REPORT))


def install_with_main_program(machine):
    installation = Installation(machine)
    installation.add_program_data()
    machine.copy_in(os.path.join(DIST_DIR, "samples", "verozar1.exe"), installation.folder)
    installation.set_debug_level(1)
    return installation


class InstanceFile(unittest.TestCase):
    def test_main_program_receives_the_instance_file_first_and_finds_every_line(self):
        with WineMachine(self.id(), display=True) as machine:
            installation = install_with_main_program(machine)
            arguments = '-s -i -d list2 "abc"'
            result, _ = installation.run(arguments, )
            self.assertEqual(result.exit_code, 0)
            instance = installation.folder + "\\instance.t1"
            report = read_report(installation)
            self.assertEqual(report["first_token"], instance)
            self.assertEqual(report["command_line"], instance + " LIST2 ABC")
            self.assertEqual(report["instance_check"], "ok")
            self.assertEqual(report["instance.INSTANCE.ARGS"], arguments)
            self.assertEqual(report["instance.INSTANCE.CMDLINE"], "LIST2,ABC")
            self.assertEqual(report["instance.INSTANCE.OVWIN"], installation.launcher)
            self.assertEqual(report["instance.INSTANCE.WFOLDER"], installation.folder)
            self.assertEqual(report["instance.INSTANCE.OVWINTYPE"], "64")
            self.assertRegex(report["instance.INSTANCE.OVWINVER"], r"^\d+\.\d+\.\d+\.\d+$")
            # The known folders, each with its trailing backslash.
            user = "C:\\users\\root\\AppData\\Local\\"
            self.assertEqual({name: report.get("instance.ENVIRONMENT." + name) for name in (
                "WINDIR", "SYSDIR", "USERDIR", "PROGDATADIR", "TCACHEPARENTDIR")}, {
                "WINDIR": "C:\\windows\\", "SYSDIR": "C:\\windows\\system32\\", "USERDIR": user,
                "PROGDATADIR": "C:\\ProgramData\\Altavy\\", "TCACHEPARENTDIR": user + "Oskelt\\Orvanta\\"})
            self.assertIn('WinMain: Using instance file, created "%s".' % instance, installation.texts())

            # Its window shows a person what it received, line for line.
            self.assertEqual(machine.uiprobe("wait", WINDOW_TITLE, "20000", check=False)[0], 0)
            shown = [c["text"] for c in machine.controls(WINDOW_TITLE) if c["class"].lower() == "edit"]
            machine.screenshot(WINDOW_TITLE, "sample-main-program")
            self.assertEqual(len(shown), 1)
            self.assertEqual(shown[0].splitlines(), machine.read_bytes(
                installation.folder + "\\" + REPORT).decode("latin-1").splitlines())

            data = machine.read_bytes(instance)
            self.assertTrue(data.endswith(b"\r\n"))
            self.assertEqual(data.count(b"\n"), data.count(b"\r\n"))
            self.assertTrue(data.startswith(b"[INSTANCE]\r\nLAUNCHER=OVWIN\r\n"))

    def test_instance_file_that_cannot_be_made_falls_back_to_the_launcher_path(self):
        with WineMachine(self.id()) as machine:
            installation = install_with_main_program(machine)
            # A folder in the file's place: Wine, run as root, ignores a read-only file.
            os.makedirs(installation.path("instance.t1"))
            result, _ = installation.run("-s -i -d go")
            self.assertEqual(result.exit_code, 0)
            report = read_report(installation)
            self.assertEqual(report["command_line"], installation.launcher + " GO")
            self.assertEqual(report["instance_file"], "")
            texts = installation.texts()
            self.assertIn("WinMain: Using legacy command line passing.", texts)
            self.assertIn("*** Brisel Launch Successful. There was 1 non-fatal error during startup. ***", texts)
            errors = installation.log(ERROR_LOG)
            self.assertEqual(len(errors), 1)
            # EACCES, with whatever text the system has for the Win32 code 13
            expected = 'ERROR !!  Failed to create T1 instance file "%s\\instance.t1"; [ERRNO 0x0000000d/C0013] ' % (
                installation.folder)
            self.assertTrue(errors[0].startswith("xx/xx/xx xx:xx:xx OVWIN " + expected), errors[0])


class MainProcess(unittest.TestCase):
    def test_without_instance_file_the_launcher_path_and_one_space_come_first(self):
        with WineMachine(self.id()) as machine:
            installation = install_with_main_program(machine)
            # Started from another folder: the main program still runs in the launcher's.
            result = machine.run(installation.launcher, "-s -d", cwd=r"C:\windows")
            self.assertEqual(result.exit_code, 0)
            report = read_report(installation)
            self.assertEqual(report["command_line"], installation.launcher + " ")
            self.assertEqual(report["engine_commands"], "")
            self.assertEqual(report["current_folder"], installation.folder)
            self.assertEqual(report["show_window"], "0")  # SW_HIDE
            self.assertEqual(int(report["startup_flags"], 16) & 1, 1)  # STARTF_USESHOWWINDOW
            self.assertFalse(installation.exists("instance.t1"))
            self.assertIn("*** Brisel Launch Successful. ***", installation.texts())


if __name__ == "__main__":
    unittest.main()
