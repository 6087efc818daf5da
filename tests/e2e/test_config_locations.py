"""The configuration step under Wine: the standard start checks the company
key, the program-data folder, the cache folder and "win.ini" with real access
checks (through the harness's authz.dll), and the preload start relocates the
legacy settings files."""

import os
import unittest

from launcher_scenarios import ERROR_LOG, PRELOAD_LOG, PROGRAM_DATA, Installation
from winemachine import WineMachine

CACHE_PARENT = r"C:\users\root\AppData\Local\Oskelt\Orvanta"
CACHE = CACHE_PARENT + r"\_tcache1"
WIN_INI = r"C:\windows\win.ini"
COMPANY_KEY = r"HKLM\SOFTWARE\Altavy Solutions Inc."
POLICIES_SYSTEM = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Policies\System"
AUTHORITY_FAILURE = "InitConfigLocations: Authority failure. This operation requires full administrator rights."
# The backups of the same step need the program-data folder, which nothing
# has made on a machine where the repairs did not run.
NO_BACKUP_FOLDER = 'OVWin backup folder creation failed: The configuration location "%s\\" is missing.' % PROGRAM_DATA

# Wine keeps no registry reflection state; the text after the tag is Wine's
# own description of error 120.
REFLECTION_UNKNOWN = ("CheckConfigRegistry: Couldn't query reflection status on key \"%s\"; ([WIN32 "
                      "0x00000078/C0120] " % COMPANY_KEY)

FULL_FILE_RIGHTS = ("ParseAccessMask found granted file system rights within Access Mask (  1F01FF): FullAccess*; "
                    "Read; Write; Append; Delete; DeleteChild; Execute; Synchronize; ReadAttr; WriteAttr; ReadEA; "
                    "WriteEA; ReadSecurity; WriteSecurity.")


def configuration_step(installation):
    """(indentation, text) of the lines between the step's status line and
    the backup folders, which come next; the reflection line up to its
    reason."""
    messages = installation.messages()
    texts = [text for _, _, text in messages]
    start = texts.index("UpdateSubStatus: Validating Configuration...") + 1
    end = next(i for i, text in enumerate(texts) if text.startswith(
        ("PrepareForBackup: ", "OVWin backup folder creation failed", "WinMain: Variable 'OVMainFile'")))
    step = []
    for _, indent, text in messages[start:end]:
        if text.startswith(REFLECTION_UNKNOWN):
            assert text.endswith("); assuming update is required."), text
            text = REFLECTION_UNKNOWN + "...); assuming update is required."
        step.append((indent, text))
    return step


def unrestricted_win_ini():
    """What the invoker check of "win.ini" writes: Wine gives the file's owner,
    the user of every process, full rights."""
    return [
        (3, 'IsFileUnrestricted: Checking target "%s".' % WIN_INI),
        (3, 'IsFileUnrestricted: Validating process invoker access on target "%s"...' % WIN_INI),
        (6, FULL_FILE_RIGHTS),
        (6, "CheckInvokerRightsInFile: Full rights access check for invoker on DACL result: True."),
        (3, 'IsFileUnrestricted: Target "%s" appears unrestricted.' % WIN_INI),
    ]


class StandardStart(unittest.TestCase):
    def start(self, machine, folders=(), limited=False, clean=True):
        """A silent start at level 1 that launches the main program, without
        an error unless clean is false."""
        installation = Installation(machine)
        installation.set_debug_level(1)
        installation.add_main_program()
        for folder in folders:
            os.makedirs(machine.host_path(folder))
        result = machine.run(installation.launcher, "-s -d", cwd=installation.folder, limited=limited)
        self.assertEqual(result.exit_code, 0)
        if clean:
            self.assertEqual(installation.log(ERROR_LOG, missing_ok=True), [])
            self.assertIn("*** Brisel Launch Successful. ***", installation.texts())
        return installation

    def test_first_start_finds_every_location_missing_and_repairs_as_administrator(self):
        with WineMachine(self.id()) as machine:
            installation = self.start(machine, clean=False)
            self.assertEqual(installation.texts(ERROR_LOG), [NO_BACKUP_FOLDER])
            self.assertEqual(configuration_step(installation), [
                (3, "InitConfigLocations: Beginning configuration environment check."),
                (3, "CheckConfigRegistry: Checking registry configuration key."),
                (3, REFLECTION_UNKNOWN + "...); assuming update is required."),
                (3, 'IsFolderUnrestricted: Checking folder "%s".' % PROGRAM_DATA),
                (3, 'IsFolderUnrestricted: Folder "%s" does not exist.' % PROGRAM_DATA),
                (3, 'IsFolderUnrestricted: Checking folder "%s".' % CACHE),
                (3, 'IsFolderUnrestricted: Folder "%s" does not exist.' % CACHE),
            ] + unrestricted_win_ini() + [
                # Wine's processes are elevated administrators: no question is asked.
                (3, "InitConfigLocations: Registry updates required."),
                (3, "InitConfigLocations: File System configuration location updates required."),
                (3, "InitConfigLocations: File System cache location updates required."),
                (3, "InitConfigLocations: Completed configuration environment check."),
            ])

    def test_existing_folders_are_judged_by_the_party_each_one_serves(self):
        with WineMachine(self.id()) as machine:
            installation = self.start(machine, folders=(PROGRAM_DATA, CACHE))
            self.assertEqual(configuration_step(installation)[3:17], [
                # The program data must be open to Everyone; Wine makes its
                # descriptor up from the Unix mode bits, which let others read.
                (3, 'IsFolderUnrestricted: Checking folder "%s".' % PROGRAM_DATA),
                (3, 'IsFolderUnrestricted: Validating "Everyone" access on folder "%s"...' % PROGRAM_DATA),
                (6, "CreateSecurityDescriptor: Generating security descriptor..."),
                (3, "ParseAccessMask found granted file system rights within Access Mask (  1200A9): Read; Execute; "
                    "Synchronize; ReadAttr; ReadEA; ReadSecurity."),
                (3, 'CheckEveryoneRightsInFile: Full rights access check for "Everyone" on DACL result: False.'),
                (3, 'IsFolderUnrestricted: "Everyone" does not have full access to folder "%s".' % PROGRAM_DATA),
                # The cache serves the user who runs the launcher.
                (3, 'IsFolderUnrestricted: Checking folder "%s".' % CACHE),
                (3, 'IsFolderUnrestricted: Validating process invoker access on folder "%s"...' % CACHE),
                (3, FULL_FILE_RIGHTS),
                (3, "CheckInvokerRightsInFile: Full rights access check for invoker on DACL result: True."),
                (3, 'IsFolderUnrestricted: Folder "%s" is unrestricted.' % CACHE),
            ] + unrestricted_win_ini()[:3])
            step = [text for _, text in configuration_step(installation)]
            self.assertIn("InitConfigLocations: File System configuration location updates required.", step)
            self.assertNotIn("InitConfigLocations: File System cache location updates required.", step)

    def test_a_check_that_cannot_be_made_is_an_error_and_never_a_refusal(self):
        # Wine's own authorization library, which implements nothing.
        with WineMachine(self.id(), native_authz=False) as machine:
            installation = self.start(machine, clean=False)
            errors = installation.texts(ERROR_LOG)
            self.assertEqual(len(errors), 4, errors)
            self.assertTrue(errors[0].startswith("CheckInvokerRightsInFile failed: AuthzInitializeResourceManager "
                                                 "failed; [WIN32 0x00000078/C0120] "), errors[0])
            self.assertEqual(errors[1:], [
                'IsFileUnrestricted: Couldn\'t validate process invoker access on target file "%s".' % WIN_INI,
                "InitConfigLocations: %s appears to be blocked. This will cause application errors if the win.ini "
                "cannot be read or written." % WIN_INI,
                NO_BACKUP_FOLDER,
            ])
            self.assertIn("*** Brisel Launch Successful. There were 4 non-fatal errors during startup. ***",
                          installation.texts())

    def test_non_elevated_administrator_under_uac_is_refused_the_repairs(self):
        with WineMachine(self.id()) as machine:
            machine.reg_add(POLICIES_SYSTEM, "EnableLUA", "REG_DWORD", 1)
            installation = self.start(machine, limited=True, clean=False)
            # Only elevation could let the repairs run, and nobody can be
            # asked for it yet: the request is refused.
            step = [text for _, text in configuration_step(installation)]
            self.assertEqual(step[-1], AUTHORITY_FAILURE)
            self.assertFalse([text for text in step if "updates required" in text], step)
            self.assertIn(AUTHORITY_FAILURE, installation.texts(ERROR_LOG))


class PreloadStart(unittest.TestCase):
    def test_legacy_settings_files_are_copied_once_and_left_in_place(self):
        with WineMachine(self.id()) as machine:
            installation = Installation(machine)
            machine.write_file(r"C:\windows\ovwin.ini", "[legacy]\r\n")
            machine.write_file(r"C:\windows\rerodedu.ini", "legacy rerodedu\r\n")
            machine.write_file(CACHE_PARENT + r"\rerodedu.ini", "current rerodedu\r\n")
            result, _ = installation.run("preload")
            self.assertEqual(result.exit_code, 0)
            self.assertEqual(machine.read_bytes(CACHE_PARENT + r"\ovwin.ini"), b"[legacy]\r\n")
            self.assertEqual(machine.read_bytes(CACHE_PARENT + r"\rerodedu.ini"), b"current rerodedu\r\n")
            self.assertFalse(machine.exists(CACHE_PARENT + r"\ovwin.var"))
            self.assertTrue(machine.exists(r"C:\windows\ovwin.ini"))
            self.assertIn("InitConfigLocations: Checking configuration.", installation.texts(PRELOAD_LOG))
            self.assertEqual([line for line in installation.log(ERROR_LOG, missing_ok=True) if "Relocation" in line], [])


if __name__ == "__main__":
    unittest.main()
