"""The runtime prerequisites and the COM assemblies of a standard start, with
the stand-in installers and registration utility: a first start on Windows
7 (Wine's default) installs the missing VC runtime, tells the user in a box
that the .NET Framework cannot be installed there, and upgrades and
registers the assemblies; the second start finds everything in place. On
Windows 10 22H2 the framework's installer runs, and its request for a
restart is logged and left to the user."""

import os
import time
import unittest

from launcher_scenarios import (ASSEMBLIES_DIR, ERROR_LOG, LAUNCHER_KEY_PATH, PROGRAM_DATA, STANDINS_DIR,
                                Installation, import_registry, mark_runtimes_installed)
from winemachine import WineMachine

CACHE = r"C:\users\root\AppData\Local\Oskelt\Orvanta\_tcache1"
SYSTEM_X86 = r"C:\windows\syswow64"
RECORD = r"C:\standin-calls.txt"
CURRENT_VERSION = r"SOFTWARE\Microsoft\Windows NT\CurrentVersion"
BOX_TITLE = "Orvanta"
BOX_TEXT_ID = 0xFFFF
OK_BUTTON_ID = 1
INSTALLERS = ("vc_redist.x86.exe", "vc_redist.x64.exe", "ndp48-x86-x64-allos-enu.exe")
NOT_INSTALLABLE = ("This operating system does not meet the requirements to automatically install the .NET "
                   "Framework 4.8 runtimes.\n\nOne or more features may not function correctly.")
ALL_PRESENT = "InstallRedistFiles: All required dependencies are installed and up-to-date."
UP_TO_DATE = "CheckComponent: This component is installed and up-to-date."


def recorded_calls(machine):
    """The stand-ins' calls: (program, parameters, what it found or did)."""
    if not machine.exists(RECORD):
        return []
    text = machine.read_bytes(RECORD).decode("latin-1")
    return [tuple(line.split("\t")) for line in text.split("\r\n") if line]


def assembly(name):
    with open(os.path.join(ASSEMBLIES_DIR, name), "rb") as f:
        return f.read()


def run_without_boxes(test, installation, arguments, env):
    """Runs a start to its end and fails, closing it, on any box it shows."""
    started = installation.start(arguments, env=env)
    machine = installation.machine
    while started.running():
        if "class=#32770" in machine.uiprobe("list")[1]:
            machine.uiprobe("click", BOX_TITLE, str(OK_BUTTON_ID), check=False)
            started.wait(60)
            test.fail("the start showed a box")
        time.sleep(0.3)
    return started.wait(60)


class FirstAndSecondStartOnWindows7(unittest.TestCase):
    def test_runtime_installed_framework_box_assemblies_upgraded_then_everything_found(self):
        with WineMachine(self.id(), display=True) as machine:
            installation = Installation(machine, runtimes=False)
            installation.add_program_data()
            installation.add_main_program()
            import_registry(machine, {LAUNCHER_KEY_PATH: {"Debug": 1, "VCRuntimeMSIOpts": 'TRANSFORMS="a b.mst"'}})
            for installer in INSTALLERS:
                installation.add_to_redist(os.path.join(STANDINS_DIR, installer))
            installation.add_to_redist(os.path.join(ASSEMBLIES_DIR, "assembly-2.1.0.6.dll"), "OrvRating.dll")
            installation.add_to_redist(os.path.join(ASSEMBLIES_DIR, "assembly-charts-1.0.0.1.dll"), "OrvCharts.dll")
            machine.copy_in(os.path.join(ASSEMBLIES_DIR, "assembly-2.1.0.5.dll"), SYSTEM_X86, "OrvRating.dll")
            env = {"OVWIN_STANDIN_RECORD": RECORD}

            started = installation.start("-d", env=env)
            self.assertEqual(machine.uiprobe("wait", BOX_TITLE, "60000", check=False)[0], 0, "no box appeared")
            box = {control["id"]: control["text"] for control in machine.controls(BOX_TITLE)}
            machine.screenshot(BOX_TITLE, "runtime-unsupported-system-box")
            machine.uiprobe("click", BOX_TITLE, str(OK_BUTTON_ID))
            self.assertEqual(started.wait(120).exit_code, 0)
            first_texts = installation.texts()
            first_errors = [line for line in installation.log(ERROR_LOG) if line.startswith("xx/")]
            first_calls = recorded_calls(machine)
            installed = {name: machine.read_bytes(SYSTEM_X86 + "\\" + name) for name in ("OrvRating.dll",
                                                                                         "OrvCharts.dll")}
            backup = machine.read_bytes(PROGRAM_DATA + r"\backup\SysWOW64_001\OrvRating.dll")
            installer_log = machine.exists(CACHE + r"\vc_redist.x86.exe.log")

            second = run_without_boxes(self, installation, "-s -d", env)
            second_texts = installation.texts()
            second_calls = recorded_calls(machine)

        self.assertEqual(box[BOX_TEXT_ID], "An error has occurred:\n\n" + NOT_INSTALLABLE)

        # The x86 runtime, missing on Windows 7, is installed with the
        # launcher key's options; the x64 runtime is looked for and left
        # alone; the framework cannot be installed there.
        start = first_texts.index("InstallRedistFiles: One or more dependencies are not installed.")
        self.assertEqual(first_texts[start + 1:start + 5], [
            "InstallRedistFiles: Visual C/C++ 2022+ Runtimes (32-bit) requires installation or update.",
            "InstallRuntime: Installer status (Visual C/C++ 2022+ Runtimes (32-bit)): 2 Uninstalled (or action state "
            "absent but clients remain)",
            'Registry access: Read success from key "VCRuntimeMSIOpts" in "%s". Value=TRANSFORMS="a b.mst"'
            % LAUNCHER_KEY_PATH,
            "InstallRuntime: Launching Visual C/C++ 2022+ Runtimes (32-bit) installer... ( %s\\redist\\"
            "vc_redist.x86.exe )" % installation.folder,
        ])
        self.assertIn("IsRuntime64Installed: Validation registry key missing or access denied.", first_texts[:start])
        self.assertIn("IsNet48Supported: WARNING: To install the dependencies you must be on Windows 10 1909 or "
                      "newer, Windows 11, or Windows Server 2019 or newer.", first_texts[:start])
        self.assertEqual(first_calls[0], (
            "vc_redist.x86.exe", '/passive /promptrestart /log "%s\\vc_redist.x86.exe.log" /msioptions '
            '"TRANSFORMS=\'a b.mst\'"' % CACHE, "marks written"))
        self.assertTrue(installer_log, "the installer's log is not in the cache folder")

        # The older assembly is backed up, unregistered, replaced and
        # registered; the missing one is copied and registered.
        utility_calls = sorted(call for call in first_calls[1:])
        rating, charts = (r'"%s\%s"' % (SYSTEM_X86, name) for name in ("OrvRating.dll", "OrvCharts.dll"))
        self.assertEqual(utility_calls, [
            ("DoziZUZ.exe", charts + " -Q", "version 1.0.0.1"),
            ("DoziZUZ.exe", rating + " -Q", "version 2.1.0.6"),
            ("DoziZUZ.exe", rating + " -Q -U", "version 2.1.0.5"),
        ])
        rating_calls = [call for call in first_calls if call[1].startswith(rating)]
        self.assertEqual([call[1] for call in rating_calls], [rating + " -Q -U", rating + " -Q"])
        self.assertEqual(installed["OrvRating.dll"], assembly("assembly-2.1.0.6.dll"))
        self.assertEqual(installed["OrvCharts.dll"], assembly("assembly-charts-1.0.0.1.dll"))
        self.assertEqual(backup, assembly("assembly-2.1.0.5.dll"))
        self.assertIn("CheckComponent: OrvRating.dll ((Altavy Solutions Inc., Orvanta Rating Objects)) Current "
                      "Version: 2.1.0.5, Installer Version: 2.1.0.6", first_texts)

        # The box is the start's one error.
        self.assertEqual(len(first_errors), 1, first_errors)
        self.assertTrue(first_errors[0].endswith("ERROR !!  Error Dialog: An error has occurred:; This operating "
                                                 "system does not meet the requirements to automatically install "
                                                 "the .NET Framework 4.8 runtimes."), first_errors[0])
        self.assertIn("*** Brisel Launch Successful. There was 1 non-fatal error during startup. ***", first_texts)

        # The second start finds the runtime its installer marked and the
        # assemblies it installed, and shows nothing.
        self.assertEqual(second.exit_code, 0)
        self.assertIn(ALL_PRESENT, second_texts)
        self.assertNotIn("InstallRedistFiles: One or more dependencies are not installed.", second_texts)
        self.assertEqual(second_texts.count(UP_TO_DATE), 2)
        self.assertEqual(second_calls, first_calls)
        self.assertIn("*** Brisel Launch Successful. ***", second_texts)


class FrameworkOnWindows10(unittest.TestCase):
    def test_installer_runs_and_its_restart_request_is_left_to_the_user(self):
        with WineMachine(self.id(), windows_version="win10") as machine:
            import_registry(machine, {CURRENT_VERSION: {"CurrentBuildNumber": "19045", "CurrentBuild": "19045"}})
            installation = Installation(machine, runtimes=False)
            mark_runtimes_installed(machine, netfx=False)
            installation.add_program_data()
            installation.add_main_program()
            installation.set_debug_level(1)
            installation.add_to_redist(os.path.join(STANDINS_DIR, "ndp48-x86-x64-allos-enu.exe"))
            result, _ = installation.run("-s -d", env={"OVWIN_STANDIN_RECORD": RECORD,
                                                       "OVWIN_STANDIN_EXIT_NDP48": "3010"})
            texts = installation.texts()
            calls = recorded_calls(machine)
            errors = installation.log(ERROR_LOG, missing_ok=True)

        self.assertEqual(result.exit_code, 0)
        # The build the machine was given, where the framework can be installed.
        self.assertTrue([text for text in texts if text.startswith("Detected Operating System") and
                         "Version 10.0.19045 " in text], texts[:20])
        self.assertEqual(calls, [(
            "ndp48-x86-x64-allos-enu.exe",
            '/passive /promptrestart /showrmui /chainingpackage ovwin /log "%s\\ndp48-x86-x64-allos-enu.exe.log"'
            % CACHE, "marks written")])
        start = texts.index("InstallRedistFiles: One or more dependencies are not installed.")
        self.assertEqual(texts[start + 1], "InstallRedistFiles: .NET Framework 4.8 requires installation or update.")
        self.assertIn("InstallRedistFiles: .NET Framework 4.8 install succeeded. A restart is required to complete "
                      "the installation.", texts)
        self.assertEqual(errors, [])
        self.assertIn("*** Brisel Launch Successful. ***", texts)


if __name__ == "__main__":
    unittest.main()
