"""The deployable executable's form and resources, and the harness that every Wine test
stands on: clean machines, exact command lines, exit codes, windows read and
clicked the way a user would."""

import os
import re
import subprocess
import unittest

from launcher_scenarios import launcher_resources
from winemachine import DIST_DIR, WIN_TESTS_DIR, WineMachine, template_prefix

OBJDUMP = "x86_64-w64-mingw32-objdump"

# DLLs every Windows installation has; the launcher may import nothing else.
SYSTEM_DLLS = {
    "advapi32.dll", "comctl32.dll", "gdi32.dll", "iphlpapi.dll", "kernel32.dll", "mpr.dll", "msvcrt.dll",
    "ole32.dll", "shell32.dll", "user32.dll", "version.dll", "ws2_32.dll", "authz.dll", "bcrypt.dll",
}

LAUNCHER = os.path.join(DIST_DIR, "ovwin64.exe")

# The elevation prompt's controls as (kind, text, id): the ids are the ones
# its code looks up, the texts what its code replaces or shows.
ELEVATE_CONTROLS = [
    ("DEFPUSHBUTTON", "Elevate", 1007),
    ("PUSHBUTTON", "Cancel", 1008),
    ("LTEXT", "ID_ELEVATETEXT", -1),
    ("CONTROL", "UAC_SHIELD", 1000),
]
ELEVATE_TEXT = "This application requires administrator rights through User Account Control elevation. Proceed?"


class DeployableExecutable(unittest.TestCase):
    def test_is_a_64_bit_gui_program_importing_system_dlls_only(self):
        headers = subprocess.run([OBJDUMP, "-p", LAUNCHER], capture_output=True, text=True, check=True).stdout
        self.assertIn("file format pei-x86-64", headers)
        self.assertRegex(headers, r"Magic\s+020b\s+\(PE32\+\)")
        self.assertRegex(headers, r"Subsystem\s+00000002\s+\(Windows GUI\)")
        imports = {name.lower() for name in re.findall(r"DLL Name: (\S+)", headers)}
        self.assertTrue(imports, "no imports found")
        self.assertLessEqual(imports, SYSTEM_DLLS)

    def test_carries_version_manifest_and_icon(self):
        resources = launcher_resources()
        self.assertRegex(resources, r"1 VERSIONINFO\s+FILEVERSION \d+, \d+, \d+, \d+")
        for name in ("FileDescription", "LegalCopyright", "ProductName", "CompanyName", "FileVersion"):
            self.assertRegex(resources, r'VALUE "%s", "[^"]+"' % name)
        self.assertIn('VALUE "CompanyName", "Altavy Solutions Inc."', resources)
        self.assertIn("1 24 /* RT_MANIFEST */", resources)
        self.assertIn('requestedExecutionLevel level=""asInvoker""', resources)
        self.assertIn("{35138b9a-5d96-4fbd-8e2d-a2440225f93a}", resources)  # Windows 7
        self.assertIn("{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}", resources)  # Windows 10
        self.assertIn('name=""Microsoft.Windows.Common-Controls"" version=""6.0.0.0""', resources)
        self.assertIn('"ALTAVYBRISELICON" 14 /* RT_GROUP_ICON */', resources)

    def test_carries_the_elevation_prompt_and_pictures_no_start_shows_yet(self):
        # The splash, the verify window and the message boxes are read on the
        # screen by the other scenarios.
        resources = launcher_resources()
        template = re.search(r'^"ELEVATEDIALOG" DIALOG.*?^END$', resources, re.M | re.S).group(0)
        self.assertIn('CAPTION "Orvanta - Elevation Required"', template)
        controls = [(kind, text, int(number))
                    for kind, text, number in re.findall(r'^  (\w+) "([^"]*)", (-?\d+),', template, re.M)]
        self.assertEqual(controls, ELEVATE_CONTROLS)
        self.assertIn('  122, "%s"' % ELEVATE_TEXT, resources)
        self.assertEqual(sorted(re.findall(r"^(\S+) 2 /\* RT_BITMAP \*/$", resources, re.M)), ["2002", "2011"])


class Harness(unittest.TestCase):
    def test_exact_command_line_folder_and_wide_exit_code(self):
        with WineMachine(self.id()) as machine:
            folder = r"C:\Program Files\Harness Test"
            program = machine.copy_in(os.path.join(WIN_TESTS_DIR, "echo_command_line.exe"), folder)
            arguments = '-i "C:\\a b\\x.t1"  list\tre-place "-xyz'
            result = machine.run(program, arguments, cwd=r"C:\windows")
        self.assertEqual(result.exit_code, 7)
        out = result.stdout.decode("latin-1")
        self.assertIn("arguments=[%s]\n" % arguments, out.replace("\r\n", "\n"))
        self.assertIn('command_line=["%s" %s]' % (program, arguments), out)
        self.assertIn("folder=[C:\\windows]", out)

    def test_machines_start_clean_and_leave_the_template_alone(self):
        key = r"HKLM\SOFTWARE\Altavy Solutions Inc.\HarnessProbe"
        template = template_prefix()
        with open(os.path.join(template, "system.reg"), "rb") as f:
            template_registry = f.read()
        with WineMachine(self.id() + "-first") as first:
            first.reg_add(key, "Marker", "REG_DWORD", 5)
            first.write_file(r"C:\marker.txt", "first")
            self.assertEqual(first.reg_query(key, "Marker"), ("REG_DWORD", "0x5"))
            with WineMachine(self.id() + "-second") as second:
                self.assertIsNone(second.reg_query(key, "Marker"))
                self.assertFalse(second.exists(r"C:\marker.txt"))
        with open(os.path.join(template, "system.reg"), "rb") as f:
            self.assertEqual(f.read(), template_registry)
        self.assertFalse(os.path.exists(os.path.join(template, "drive_c", "marker.txt")))

    def test_message_box_is_read_photographed_and_clicked(self):
        with WineMachine(self.id(), display=True) as machine:
            folder = r"C:\tests"
            program = machine.copy_in(os.path.join(WIN_TESTS_DIR, "message_box_program.exe"), folder)
            started = machine.start_program(program, cwd=folder)
            self.assertEqual(machine.uiprobe("wait", "Harness Check", "20000")[0], 0)

            texts = {c["id"]: c["text"] for c in machine.controls("Harness Check")}
            self.assertEqual(texts[0xFFFF], "The harness can read this box.\nSecond line.")
            self.assertEqual(texts[1], "OK")
            self.assertEqual(texts[2], "Cancel")

            picture = machine.screenshot("Harness Check", "harness-message-box")
            self.assertGreater(picture.width, 100)
            self.assertGreater(picture.height, 50)
            self.assertGreater(picture.distinct_colours(0, 0, picture.width, picture.height), 3)

            machine.uiprobe("click", "Harness Check", "1")
            self.assertEqual(started.wait(60).exit_code, 1001)
            self.assertEqual(machine.uiprobe("gone", "Harness Check", "5000")[0], 0)


if __name__ == "__main__":
    unittest.main()
