"""Inputs at and past the launcher's text limits, each through a real start
under Wine: the longest command line Wine passes on, registry version
texts of 300 characters, and installations so deep that the paths built
below them reach 259 characters or more. The launcher ends each with a
defined exit code and logs what it could not do."""

import os
import shutil
import tempfile
import unittest

from launcher_scenarios import (DEBUG_LOG, ERROR_LOG, VC_RUNTIME_X86_MARK, Installation, import_registry)
from tabpack import Entry, build_archive
from winemachine import WineMachine

CURRENT_VERSION = r"SOFTWARE\Microsoft\Windows NT\CurrentVersion"
# Wine starts no command line of 32,767 characters.
LONGEST_COMMAND_LINE = 32766
LONG_VERSION = "14.36." + "9" * 294
LONGEST_NAME = "n" * 45 + ".dll"  # 49 characters, the most a record holds


def folder_of_length(length):
    """A folder path of exactly length characters below C:\\deep."""
    path = r"C:\deep"
    while len(path) < length:
        room = length - len(path) - 1
        # Never leave a remainder that only a separator would fill.
        path += "\\" + "d" * (min(60, room) if room - min(60, room) != 1 else 58)
    assert len(path) == length
    return path


class LongInputs(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="ovwin-long-inputs-")
        self.addCleanup(shutil.rmtree, self.scratch, True)
        self.archive = build_archive(os.path.join(self.scratch, "archive"), [
            Entry(LONGEST_NAME, "CUR", "always", "2023-07-14T09:30:00.000Z", b"longest name")])

    def test_longest_command_line_and_version_texts_are_cut_or_refused_and_logged(self):
        with WineMachine(self.id(), windows_version="win10") as machine:
            installation = Installation(machine)
            installation.add_main_program()
            installation.add_program_data()
            import_registry(machine, {VC_RUNTIME_X86_MARK: {"Installed": 1, "Version": LONG_VERSION},
                                      CURRENT_VERSION: {"DisplayVersion": "2" * 300}})
            switches = "-s -d "
            fixed = len('"%s" ' % installation.launcher) + len(switches)
            result, _ = installation.run(switches + "e" * (LONGEST_COMMAND_LINE - fixed))
            texts = installation.texts()
            errors = installation.texts(ERROR_LOG)

        self.assertEqual(result.exit_code, 0)
        # The debug line keeps its first 2,040 characters and marks the cut.
        command = [text for text in texts if text.startswith("Initialize: Command Line: ")]
        self.assertEqual(len(command), 1)
        self.assertEqual(command[0], ("Initialize: Command Line: " + switches + "e" * 2100)[:2040] + " (...)")
        # A value longer than its buffer is not read at all, never cut: the
        # release name comes from the build, and the runtime counts as missing.
        self.assertEqual(len(errors), 2, errors)
        self.assertTrue(errors[0].startswith(
            'Registry access failed: Error while reading key "DisplayVersion" from "Software\\Microsoft\\Windows '
            'NT\\CurrentVersion"; [WIN32 0x000000ea/C0234] '), errors[0])
        self.assertEqual(errors[1], "InstallRuntime: WARNING!!! Visual C/C++ 2022+ Runtimes (32-bit) installer "
                                    "not found at %s\\redist\\vc_redist.x86.exe" % installation.folder)
        self.assertIn("CheckRuntimeVersion: Minimum Version Requested: 14.21.27702.2, Installed Version: (Failed to "
                      "retrieve value)", texts)
        self.assertTrue(any(text.startswith('Detected Operating System: "Windows 10 (ProductCode 0X1C) 1903 (May '
                                            '2019 Update)"') for text in texts))

    def test_deep_installations_end_defined_and_log_the_paths_that_do_not_fit(self):
        # Logs of exactly 259 characters; then the deepest launcher Wine starts,
        # 259 characters, beside which no log, profile or main program can be named.
        logs_fit = folder_of_length(259 - len("\\OvwinDebug.log"))
        deepest = folder_of_length(259 - len("\\ovwin64.exe"))
        outcomes = {}
        with WineMachine(self.id()) as machine:
            for folder in (logs_fit, deepest):
                installation = Installation(machine, folder=folder, archive=self.archive)
                installation.add_main_program()
                installation.add_program_data()
                result, _ = installation.run("-s -d")
                outcomes[folder] = (result.exit_code, installation.texts(ERROR_LOG, missing_ok=True),
                                    installation.exists(DEBUG_LOG),
                                    installation.exists(LONGEST_NAME) and machine.read_bytes(
                                        folder + "\\" + LONGEST_NAME))

        exit_code, errors, debug_log, installed = outcomes[logs_fit]
        self.assertEqual(exit_code, 0)
        self.assertTrue(debug_log)
        folder = logs_fit + "\\"
        self.assertEqual(errors, [
            'InstallCOMFiles: OVWin COM assemblies check/install failed: The paths below "%s" are longer than 259 '
            'characters.' % folder,
            'CreateShortcut: The shortcut "Altavy Brisel (Diagnostic Mode).LNK" in "%s" would have a path longer '
            'than 259 characters; it is not created.' % folder,
            'CreateShortcut: The shortcut "Altavy Brisel (Clear Users).LNK" in "%s" would have a path longer than '
            '259 characters; it is not created.' % folder,
        ])
        # The entry is opened by its bare name in the current folder, which
        # Wine allows past 259 characters.
        self.assertEqual(installed, b"longest name")

        # No log can be named beside the deepest launcher, nor the main
        # program: the start still ends with the exit code of a main program
        # that could not be started.
        exit_code, errors, debug_log, _ = outcomes[deepest]
        self.assertEqual(exit_code, 110)
        self.assertEqual((errors, debug_log), ([], False))


if __name__ == "__main__":
    unittest.main()
