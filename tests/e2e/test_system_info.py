"""The system picture a standard start writes to the debug log: operating
system and its warnings, hardware, network and the user's rights, on the
Windows versions Wine can pretend to be.

The record may be loaded by an earlier step than the system check, so the
tests find its lines by their text, not by their place in the log."""

import getpass
import re
import unittest

from launcher_scenarios import ERROR_LOG, Installation
from winemachine import WineMachine

CURRENT_VERSION = r"HKLM\Software\Microsoft\Windows NT\CurrentVersion"
POLICIES_SYSTEM = r"HKLM\SOFTWARE\Microsoft\Windows\CurrentVersion\Policies\System"
PRODUCT_OPTIONS = r"HKLM\System\CurrentControlSet\Control\ProductOptions"

WINDOWS_7_STATEMENT = [
    "*** WARNING!!! WINDOWS 7 END OF LIFE SUPPORT STATEMENT ***",
    "As of January 14, 2020, Microsoft no longer provides security updates or support for PCs running Windows 7.",
    "Please see https://www.microsoft.com/windows/windows-7-end-of-life-support-information for further "
    "information.",
]
LAST_RIGHTS_LINE = "Process is not eligible for WOW64 File System redirection."
ROW = re.compile(r"^(\d+): Interface \d+:   IP: ([\d.]+), Mask: [\d.]+, Broadcast: [\d.]+ \(-?\d+\), "
                 r"Type/State(: .+)? $")


def start_launcher(machine, arguments, limited=False):
    """Runs the launcher to its end; returns the debug log's (tag, indentation,
    message) entries and the error log's messages (none when there is no
    error log)."""
    installation = Installation(machine)
    machine.run(installation.launcher, arguments, cwd=installation.folder, limited=limited)
    return installation.messages(), installation.texts(ERROR_LOG, missing_ok=True)


def system_picture(entries):
    """The record's lines, from the operating system to the last rights line."""
    texts = [entry[2] for entry in entries]
    start = next(i for i, text in enumerate(texts) if text.startswith("Detected Operating System: "))
    end = texts.index(LAST_RIGHTS_LINE, start)
    return entries[start:end + 1]


def physical_memory_mb():
    with open("/proc/meminfo") as f:
        for line in f:
            if line.startswith("MemTotal:"):
                return int(line.split()[1]) // 1024
    raise AssertionError("no MemTotal in /proc/meminfo")


class StandardStartOnWindows7(unittest.TestCase):
    def test_logs_the_whole_system_picture(self):
        with WineMachine(self.id()) as machine:
            entries, errors = start_launcher(machine, "-d")
        picture = system_picture(entries)
        texts = [text for _, _, text in picture]
        depth = picture[0][1]

        self.assertRegex(texts[0], r'^Detected Operating System: "Windows 7 SP1( [^"]+)?" \(64-bit\) '
                                   r'Version 6\.1\.7601 \(Service Pack 1\.0\)$')
        self.assertEqual(texts[1:4], WINDOWS_7_STATEMENT)
        self.assertEqual([indent for _, indent, _ in picture[1:4]], [depth + 3] * 3)

        self.assertRegex(texts[4], r"^Detected CPU: .+ \(Level \d+ Model \d+ Stepping \d+\)$")
        self.assertEqual(texts[5], "Detected Architecture: x86-64")
        memory = re.match(r"^Detected Memory Capacity: (\d+) MB Physical, (\d+) MB Virtual \(approx\)\.$",
                          texts[6])
        self.assertIsNotNone(memory, texts[6])
        self.assertEqual(int(memory.group(1)), physical_memory_mb())
        self.assertGreater(int(memory.group(2)), 0)
        self.assertRegex(texts[7], r"^Detected workstation name: \S+$")
        self.assertNotEqual(texts[7], "Detected workstation name: Unknown Computer")

        count = re.match(r"^Network Interfaces: (\d+)$", texts[8])
        self.assertIsNotNone(count, texts[8])
        rows = texts[9:9 + int(count.group(1))]
        matches = [ROW.match(row) for row in rows]
        self.assertTrue(all(matches), rows)
        self.assertEqual([int(m.group(1)) for m in matches], list(range(len(rows))))
        self.assertIn("127.0.0.1", [m.group(2) for m in matches])
        self.assertEqual(len([row for row in rows if "Type/State: Default; " in row]), 1, rows)

        # Wine gives every process an elevated administrator's token, and its
        # prefixes have EnableLUA 0.
        self.assertEqual(texts[9 + len(rows):], [
            'Executing as "%s" who has local administrator rights.' % getpass.getuser(),
            'Process running elevated without UAC requirements invoked as administrator with integrity level '
            '"High".',
            LAST_RIGHTS_LINE,
        ])
        self.assertTrue(all(tag == "DEBUG   " for tag, _, _ in picture))
        self.assertFalse([e for e in errors if "GetVersionEx" in e or "GetComputerName" in e or
                          "GetUserName" in e or "IsUACEnabled" in e or "Registry access" in e], errors)

    def test_non_elevated_administrator_under_uac_is_told_about_elevation(self):
        with WineMachine(self.id()) as machine:
            machine.reg_add(POLICIES_SYSTEM, "EnableLUA", "REG_DWORD", 1)
            entries, _ = start_launcher(machine, "-d100", limited=True)
        picture = system_picture(entries)
        texts = [text for _, _, text in picture]
        self.assertEqual(texts[-4:], [
            'Executing as "%s" who has local administrator rights.' % getpass.getuser(),
            'Process running non-elevated under UAC invoked as standard user with integrity level "High".',
            "Note: Even though the user is an administrator, the current OS settings require that the user "
            "explicitly launch OVWin as an administrator to get full rights. Any admin requirements will prompt "
            "for elevation.",
            LAST_RIGHTS_LINE,
        ])
        developer = [text for tag, _, text in picture if tag == "DEBUG X "]
        # The full token behind the filtered one is checked, and both token
        # variables are closed through the logged helper.
        closes = [text.split("=")[0] for text in developer if text.startswith("CloseAndDestroyHandle: Closing ")]
        self.assertEqual(closes[:2], ["CloseAndDestroyHandle: Closing hToken",
                                      "CloseAndDestroyHandle: Closing hTokenToCheck"])
        self.assertIn("IsUACEnabled: Obtained key successfully.", developer)
        self.assertIn("IsUACEnabled: UAC appears to be enabled on this machine.", developer)
        all_texts = [text for _, _, text in entries]
        self.assertEqual(all_texts.count("@ LoadSystemInfoObject() {"), all_texts.count("@ } LoadSystemInfoObject"))


class StandardStartOnWindows10(unittest.TestCase):
    def operating_system_lines(self, entries):
        """The operating-system line and the line after it."""
        texts = [text for _, _, text in system_picture(entries)]
        return texts[0], texts[1]

    def test_listed_build_is_named_and_an_unlisted_one_reads_the_release_label(self):
        cases = [("Dev", "2009"), (None, "2009"), (None, None)]
        with WineMachine(self.id(), windows_version="win10") as machine:
            os_line, following = self.operating_system_lines(start_launcher(machine, "-d")[0])
            self.assertRegex(os_line, r'^Detected Operating System: "Windows 10( [^"]+)? 1903 \(May 2019 Update\)" '
                                      r'\(64-bit\) Version 10\.0\.18362 \(Service Pack 0\.0\)$')
            self.assertTrue(following.startswith("Detected CPU: "), following)

            # Wine's workstation edition code is not in the edition table, so
            # "(ProductCode 0X1C)" stands in the name, and every name of an
            # unlisted build outgrows the 64 bytes of OsName: it is not written.
            # The wording of these names is checked by the host tests; here the
            # label is read, set or unset, without an error line, and a label
            # that cannot be read is reported.
            for name in ("CurrentBuildNumber", "CurrentBuild"):
                machine.reg_add(CURRENT_VERSION, name, "REG_SZ", "22500")
            for display_version, release_id in cases:
                with self.subTest(display_version=display_version, release_id=release_id):
                    for value_name, value in (("DisplayVersion", display_version), ("ReleaseId", release_id)):
                        if value is None:
                            machine.reg_delete(CURRENT_VERSION, value_name)
                        else:
                            machine.reg_add(CURRENT_VERSION, value_name, "REG_SZ", value)
                    entries, errors = start_launcher(machine, "-d")
                    os_line, following = self.operating_system_lines(entries)
                    self.assertEqual(os_line, 'Detected Operating System: "" (64-bit) Version 10.0.22500 '
                                              '(Service Pack 0.0)')
                    self.assertTrue(following.startswith("Detected CPU: "), following)
                    self.assertFalse([e for e in errors if "Registry access" in e], errors)

            # A label of another type, or too long for its 32 bytes, is an error line of its own.
            machine.reg_add(CURRENT_VERSION, "DisplayVersion", "REG_DWORD", 2009)
            machine.reg_add(CURRENT_VERSION, "ReleaseId", "REG_SZ", "x" * 40)
            _, errors = start_launcher(machine, "-d")
            self.assertEqual([e.split(";")[0] for e in errors if "Registry access" in e], [
                'Registry access failed: Error while reading key "%s" from "%s"' % (name, CURRENT_VERSION[5:])
                for name in ("DisplayVersion", "ReleaseId")])

            # The same build number on a server.
            machine.reg_add(PRODUCT_OPTIONS, "ProductType", "REG_SZ", "ServerNT")
            for name in ("CurrentBuildNumber", "CurrentBuild"):
                machine.reg_add(CURRENT_VERSION, name, "REG_SZ", "20348")
            entries, _ = start_launcher(machine, "-d")
        os_line, _ = self.operating_system_lines(entries)
        self.assertEqual(os_line, 'Detected Operating System: "Windows Server Standard 2022" (64-bit) '
                                  'Version 10.0.20348 (Service Pack 0.0)')


if __name__ == "__main__":
    unittest.main()
