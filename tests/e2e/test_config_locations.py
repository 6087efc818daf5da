"""The configuration step under Wine: the standard start checks the company
key, the program-data folder, the cache folder and "win.ini" with real access
checks (through the harness's authz.dll), and the preload start relocates the
legacy settings files."""

import os
import unittest

from launcher_scenarios import ERROR_LOG, LAUNCHER_KEY_PATH, PRELOAD_LOG, PROGRAM_DATA, Installation
from winemachine import WIN_TESTS_DIR, WineMachine

CACHE_PARENT = r"C:\users\root\AppData\Local\Oskelt\Orvanta"
CACHE = CACHE_PARENT + r"\_tcache1"
WIN_INI = r"C:\windows\win.ini"
COMPANY_KEY_PATH = r"SOFTWARE\Altavy Solutions Inc."
COMPANY_KEY = "HKLM\\" + COMPANY_KEY_PATH
OSKELT = r"C:\users\root\AppData\Local\Oskelt"

# Wine keeps no registry reflection state; the text after the tag is Wine's
# own description of error 120.
REFLECTION_UNKNOWN = ("CheckConfigRegistry: Couldn't query reflection status on key \"%s\"; ([WIN32 "
                      "0x00000078/C0120] " % COMPANY_KEY)

FULL_FILE_RIGHTS = ("ParseAccessMask found granted file system rights within Access Mask (  1F01FF): FullAccess*; "
                    "Read; Write; Append; Delete; DeleteChild; Execute; Synchronize; ReadAttr; WriteAttr; ReadEA; "
                    "WriteEA; ReadSecurity; WriteSecurity.")


def configuration_step(installation):
    """(indentation, text) of the diagnostic lines between the step's status
    line and the backup folders, which come next; the reflection line up to its
    reason."""
    messages = installation.messages()
    texts = [text for _, _, text in messages]
    start = texts.index("UpdateSubStatus: Validating Configuration...") + 1
    end = next(i for i, text in enumerate(texts) if text.startswith(
        ("PrepareForBackup: ", "OVWin backup folder creation failed", "WinMain: Variable 'OVMainFile'")))
    step = []
    for tag, indent, text in messages[start:end]:
        if tag == "DEBUG X ":
            continue
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


def created_folder(path):
    """What creating a folder open to Everyone and the Administrators writes."""
    return [
        (6, 'CreateUnrestrictedFolder: Folder "%s" does not exist. It will now be created.' % path),
        (9, "CreateSecurityDescriptor: Generating security descriptor..."),
        (6, 'CreateUnrestrictedFolder: Creating "%s" folder...' % path),
        (6, 'CreateUnrestrictedFolder: Created "%s" folder successfully.' % path),
    ]


def opened_folder(path):
    """What merging the grants into an existing folder's DACL writes."""
    return [
        (6, 'CreateUnrestrictedFolder: Folder "%s" already exists. It will be checked for security settings.' % path),
        (9, "CreateSecurityDescriptor: Generating security descriptor..."),
        (6, 'CreateUnrestrictedFolder: Modified security on existing "%s" folder.' % path),
    ]


def key_security(machine, command, sddl=None):
    """The company key's DACL as SDDL ("get"), or sets it ("set"), inside the
    running machine: Wine keeps a key's DACL only while its server runs."""
    arguments = [os.path.join(WIN_TESTS_DIR, "key_security_probe.exe"), command, COMPANY_KEY_PATH]
    result = machine.wine(*(arguments + ([sddl] if sddl else [])))
    return result.stdout.decode("latin-1").strip()


def dacl_entries(sddl):
    """The entries of an SDDL DACL, sorted."""
    return sorted("(" + entry for entry in sddl[len("D:("):].split("("))


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

    def test_first_start_repairs_every_location_and_the_second_opens_them_up_again(self):
        with WineMachine(self.id()) as machine:
            # What an administrator may have set on the key before: kept.
            key_dacl = "D:(D;;KW;;;BG)(A;CI;KA;;;BA)(A;CI;KA;;;SY)(A;;KR;;;S-1-5-21-1-2-3-1001)"
            self.assertEqual(key_security(machine, "set", key_dacl), "")
            installation = Installation(machine)
            installation.set_debug_level(100)
            installation.add_main_program()
            first = self.start_installation(machine, installation)
            first_step = configuration_step(installation)
            values = [machine.reg_raw(COMPANY_KEY_PATH, "_icode"), machine.reg_raw(LAUNCHER_KEY_PATH, "Debug"),
                      machine.reg_raw(LAUNCHER_KEY_PATH, "LastRunFrom")]
            folders = [machine.exists(folder) for folder in (PROGRAM_DATA, OSKELT, CACHE_PARENT, CACHE)]
            first_dacl = key_security(machine, "get")

            second = self.start_installation(machine, installation)
            second_step = configuration_step(installation)
            second_level = [text for text in installation.texts() if text.startswith("Initialize: Diagnostic")]
            second_dacl = key_security(machine, "get")

        for result in (first, second):
            self.assertEqual(result.exit_code, 0)
        self.assertEqual(first_step, [
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
            (3, "UpdateConfigRegistry: Installing/modifying registry configuration key."),
            (3, "UpdateConfigRegistry: Removing registry key virtualization."),
            (3, 'RemoveRegistryVirtualization: Removing virtualization flag on registry key "%s" (as Administrator)'
             % COMPANY_KEY_PATH),
            (3, "UpdateConfigRegistry: Removing registry key security."),
            (3, "UpdateConfigRegistry: Registry tasks completed successfully."),
            (3, "InitConfigLocations: File System configuration location updates required."),
            (3, "UpdateConfigAppData: Installing/modifying file system program data location."),
        ] + created_folder(PROGRAM_DATA) + [
            (3, "UpdateConfigAppData: File system tasks completed successfully."),
            (3, "InitConfigLocations: File System cache location updates required."),
            (3, "UpdateCacheFolder: Installing/modifying file system cache data location."),
        ] + created_folder(OSKELT) + created_folder(CACHE_PARENT) + [
            (3, "UpdateCacheFolder: File system tasks completed successfully."),
            (3, "InitConfigLocations: Completed configuration environment check."),
        ])
        # Wine passes both steps: "_icode" records stage 3. "Debug" is off
        # again, and the folder is recorded as its whole buffer.
        folder = installation.folder.encode("latin-1")
        self.assertEqual(values, [(4, b"\x03\0\0\0"), (4, b"\0\0\0\0"), (1, folder + b"\0" * (260 - len(folder)))])
        # The cache itself is not the repair's to make (the lines above say
        # what it made): the runtime step makes it, for the installers' logs.
        self.assertEqual(folders, [True, True, True, True])

        self.assertEqual(second_level, ["Initialize: Diagnostic Logging Enabled (LogLevel: 1)"])
        repairs = second_step.index((3, "UpdateConfigAppData: Installing/modifying file system program data location."))
        opened = [line for line in second_step[repairs:] if line[0] > 3]
        # The cache, which the first start made, serves its user, who has
        # full access: its folders are left alone.
        self.assertIn((3, 'IsFolderUnrestricted: Checking folder "%s".' % CACHE), second_step)
        self.assertEqual(opened, opened_folder(PROGRAM_DATA))
        # Every entry stays, and Everyone's full access is there once.
        everyone = "(A;OICI;0xf20fffff;;;WD)"
        self.assertEqual(dacl_entries(first_dacl), sorted(dacl_entries(key_dacl) + [everyone]))
        self.assertEqual(second_dacl, first_dacl)

    def start_installation(self, machine, installation):
        result = machine.run(installation.launcher, "-s -d", cwd=installation.folder)
        self.assertEqual(installation.log(ERROR_LOG, missing_ok=True), [])
        return result

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
            self.assertEqual(len(errors), 3, errors)
            self.assertTrue(errors[0].startswith("CheckInvokerRightsInFile failed: AuthzInitializeResourceManager "
                                                 "failed; [WIN32 0x00000078/C0120] "), errors[0])
            self.assertEqual(errors[1:], [
                'IsFileUnrestricted: Couldn\'t validate process invoker access on target file "%s".' % WIN_INI,
                "InitConfigLocations: %s appears to be blocked. This will cause application errors if the win.ini "
                "cannot be read or written." % WIN_INI,
            ])
            self.assertIn("*** Brisel Launch Successful. There were 3 non-fatal errors during startup. ***",
                          installation.texts())


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
