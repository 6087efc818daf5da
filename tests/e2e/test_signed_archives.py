"""Signed archives under Wine, signed and changed as a release pipeline or
an intruder would, with tabpack's keys: a workstation given the public key
installs what that key signed, refuses every other archive whole with its
line and the error box, keeps no entry whose bytes differ from their
digest, and reads nothing of the contents when all is up to date; one
without the key installs a signed archive exactly as an unsigned one."""

import hashlib
import os
import re
import shutil
import tempfile
import unittest

from launcher_scenarios import ERROR_LOG, LAUNCHER_KEY, Installation
from tabpack import UNUSED, Entry, build_archive, tabpack
from winemachine import WineMachine, relay_calls

BOX_TITLE = "Orvanta"
BOX_TEXT_ID = 0xFFFF
OK_BUTTON_ID = "1"
BOX_LINE = "Error Dialog: An error has occurred:; Failed to open verozar0.dll for installation."
REFUSED = 'VerifyTABSignature: Refused archive "verozar0.dll"; '
ENTRY_TIME = "2024-03-01T08:00:00.000Z"


def key_id(public_key_path):
    """The id a key is named by: the first 8 bytes of SHA-256 of X||Y."""
    with open(public_key_path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()[:16]


def record_field(archive, index, offset):
    with open(archive, "rb") as f:
        f.seek(100 + 100 * index + offset)
        return int.from_bytes(f.read(4), "little")


def patched(archive, name, offset, data):
    """A copy of the archive, beside it, with bytes written at offset."""
    copy = os.path.join(os.path.dirname(archive), name)
    shutil.copyfile(archive, copy)
    with open(copy, "r+b") as f:
        f.seek(offset)
        f.write(data)
    return copy


def archive_reads(calls):
    """The byte counts the launcher asked of the archive, from a relay trace
    of CreateFileA, ReadFile and CloseHandle: every read of the handle that
    opening "verozar0.dll" returned, until it was closed."""
    lengths, handle = [], None
    for function, arguments, result in calls:
        fields = arguments.split(",")
        if function.endswith("CreateFileA"):
            if fields[0].endswith(' "verozar0.dll"'):  # the pointer, then the text
                handle = result
        elif handle is not None and int(fields[0], 16) == handle:
            if function.endswith("CloseHandle"):
                break
            lengths.append(int(fields[2], 16))
    return lengths


def answer_box(machine, title):
    """Waits for a message box, presses its OK button and returns its text."""
    if machine.uiprobe("wait", title, "30000", check=False)[0] != 0:
        raise AssertionError("no box titled %r appeared" % title)
    text = {control["id"]: control["text"] for control in machine.controls(title)}[BOX_TEXT_ID]
    machine.uiprobe("click", title, OK_BUTTON_ID)
    return text


def answer_refusal(installation, arguments="-s -d"):
    """Starts the launcher, which must refuse its archive with the error box;
    presses OK and returns the box's text, the exit code, the error lines
    and the debug lines."""
    started = installation.start(arguments)
    try:
        text = answer_box(installation.machine, BOX_TITLE)
    finally:
        exit_code = started.wait(60).exit_code
    return text, exit_code, installation.texts(ERROR_LOG), installation.texts()


def masked(lines):
    """Log lines with pointers and handles masked: two machines need not
    hand out the same ones."""
    return [re.sub(r"\b[0-9A-F]{16}\b", "P", line) for line in lines]


class SignedArchives(unittest.TestCase):
    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="ovwin-signed-archives-")
        self.addCleanup(shutil.rmtree, self.scratch, True)
        self.keys = {}
        for name in ("signer", "other"):
            private, public = (os.path.join(self.scratch, name + ext) for ext in (".pem", ".pub"))
            tabpack("keygen", private, public)
            self.keys[name] = (private, public)

    def signed(self, folder, entries, key="signer"):
        archive = build_archive(os.path.join(self.scratch, folder), entries)
        tabpack("sign", archive, self.keys[key][0])
        return archive

    def test_a_workstation_given_the_key_installs_only_what_that_key_signed(self):
        data = bytes(range(256)) * 20 + b"tail"  # a remainder after whole blocks
        installed = [Entry("kept.dat", "CUR", "newer", ENTRY_TIME, data), UNUSED,
                     Entry("sample.ini", "WIN", "different", ENTRY_TIME, b"[sample]\r\n")]
        good = self.signed("good", installed)
        # Contents changed after signing: the entry between two others.
        with_changed = [Entry("first.dat", "CUR", "always", ENTRY_TIME, b"first"),
                        Entry("changed.dll", "CUR", "always", ENTRY_TIME, b"signed bytes"),
                        Entry("last.dat", "CUR", "always", ENTRY_TIME, b"last")]
        changed = self.signed("changed", with_changed)
        changed = patched(changed, "contents.tab", record_field(changed, 1, 60) + 3, b"!")

        refused_entries = [Entry("refused.dat", "CUR", "always", ENTRY_TIME, b"refused"),
                           Entry("refused.ini", "WIN", "always", ENTRY_TIME, b"refused")]
        unsigned = build_archive(os.path.join(self.scratch, "unsigned"), refused_entries)
        refused = self.signed("refused", refused_entries)
        by_other = self.signed("other", refused_entries, "other")
        header = patched(refused, "header.tab", 14, bytes(4))  # ArchiveSize 0: not checked
        record = patched(refused, "record.tab", 100 + 50, b"WIN\0")  # CUR to the Windows folder

        signer = key_id(self.keys["signer"][1])
        refusals = [
            (unsigned, None,
             "it is not signed, and this workstation installs only archives signed by key %s." % signer),
            (by_other, None, "it is signed by key %s, and this workstation installs only archives signed by key %s."
             % (key_id(self.keys["other"][1]), signer)),
            (header, None, "its signature does not verify with key %s: the archive was changed after it was signed."
             % signer),
            (record, None, "its signature does not verify with key %s: the archive was changed after it was signed."
             % signer),
            # A value of the wrong size or type refuses even a signed archive.
            (refused, ("REG_BINARY", "ab" * 63),
             'the launcher key\'s value "ArchivePublicKey" holds 63 bytes, not the 64 bytes of a P-256 public key.'),
            (refused, ("REG_SZ", "ab" * 64),
             'the launcher key\'s value "ArchivePublicKey" is not REG_BINARY (type 1).'),
        ]

        with WineMachine(self.id(), display=True) as machine:
            installation = Installation(machine, archive=good)
            installation.set_debug_level(1)
            installation.add_main_program()
            installation.add_program_data()
            # The administrator's way: the registry file keygen wrote.
            machine.copy_in(self.keys["signer"][1] + ".reg", r"C:\windows\temp")
            machine.wine("reg", "import", r"C:\windows\temp\signer.pub.reg", "/reg:64")

            result, _ = installation.run("-s -d")
            self.assertEqual(result.exit_code, 0)
            self.assertEqual(installation.texts(ERROR_LOG, missing_ok=True), [])
            self.assertIn('VerifyTABSignature: Archive "verozar0.dll" is signed by key %s; signature verified.'
                          % signer, installation.texts())
            self.assertEqual(machine.read_bytes(installation.folder + r"\kept.dat"), data)
            self.assertEqual(machine.read_bytes(r"C:\windows\sample.ini"), b"[sample]\r\n")

            # Up to date: the header, the records and the digest table are
            # all that is read.
            env = machine.relay_env(["KERNEL32.CreateFileA", "KERNEL32.ReadFile", "KERNEL32.CloseHandle"])
            result, _ = installation.run("-s -d", env=env)
            self.assertEqual(result.exit_code, 0)
            self.assertEqual(installation.texts().count("CheckToInstallEntry: This entry is installed and up-to-date."),
                             2)
            self.assertEqual(archive_reads(relay_calls(result.stderr)), [100, 300, 3 * 32])

            # An older copy of the changed entry is in place: it is replaced
            # by nothing, and the entries around it are installed.
            installation.add_archive(changed)
            machine.write_file(installation.folder + r"\changed.dll", b"old bytes")
            result, _ = installation.run("-s -d")
            self.assertEqual(result.exit_code, 0)
            self.assertEqual(installation.texts(ERROR_LOG), [
                'InstallEntry: Failed to install "changed.dll"; its contents differ from the archive\'s signed digest.',
                "InstallTABFile: The attempt to install or upgrade changed.dll has failed.",
            ])
            self.assertFalse(machine.exists(installation.folder + r"\changed.dll"))
            self.assertEqual([machine.read_bytes(installation.folder + "\\" + name)
                              for name in ("first.dat", "last.dat")], [b"first", b"last"])

            # The replace mode, refused, replaces nothing and says so.
            installation.add_archive(unsigned)
            started = installation.start("-d replace")
            replace_boxes = [answer_box(machine, BOX_TITLE), answer_box(machine, installation.launcher)]
            replace_exit_code = started.wait(60).exit_code
            replace_errors = installation.texts(ERROR_LOG)

            outcomes = []
            for archive, value, _ in refusals:
                installation.add_archive(archive)
                if value:
                    machine.reg_add(LAUNCHER_KEY, "ArchivePublicKey", *value)
                outcomes.append(answer_refusal(installation) + (
                    machine.exists(installation.folder + r"\refused.dat"), machine.exists(r"C:\windows\refused.ini")))

        self.assertEqual(replace_boxes, [
            "An error has occurred:\n\nFailed to open verozar0.dll for installation.",
            "Not all system files could be replaced.\nCheck replace.log for details."])
        self.assertEqual(replace_exit_code, 1627)
        self.assertEqual(replace_errors, [REFUSED + refusals[0][2], BOX_LINE])

        for (archive, _, why), (box, exit_code, errors, texts, *left) in zip(refusals, outcomes):
            with self.subTest(why=why):
                self.assertEqual(box, "An error has occurred:\n\nFailed to open verozar0.dll for installation.")
                # The start goes on.
                self.assertEqual(exit_code, 0)
                self.assertIn("*** Brisel Launch Successful. There were 2 non-fatal errors during startup. ***", texts)
                self.assertEqual(errors, [REFUSED + why, BOX_LINE])
                self.assertEqual([text for text in texts if text.startswith("CheckToInstallEntry")], [])
                self.assertEqual(left, [False, False])

    def test_without_the_key_a_signed_archive_installs_exactly_as_an_unsigned_one(self):
        entries = [Entry("plain.dat", "CUR", "newer", ENTRY_TIME, b"x" * 5000), UNUSED,
                   Entry("plain.dll", "S64", "always", ENTRY_TIME, b"library")]
        unsigned = build_archive(os.path.join(self.scratch, "unsigned"), entries)
        signed = self.signed("signed", entries)
        starts = []
        for archive in (unsigned, signed):
            with WineMachine(self.id()) as machine:
                installation = Installation(machine, archive=archive)
                installation.add_main_program()
                installation.add_program_data()
                result, _ = installation.run("-s -d100")
                starts.append((result.exit_code, masked(installation.texts()),
                               installation.texts(ERROR_LOG, missing_ok=True),
                               machine.read_bytes(installation.folder + r"\plain.dat"),
                               machine.read_bytes(r"C:\windows\system32\plain.dll")))
        self.assertEqual(starts[0][0], 0)
        self.assertEqual(starts[0][3:], (b"x" * 5000, b"library"))
        self.assertEqual(starts[1], starts[0])


if __name__ == "__main__":
    unittest.main()
