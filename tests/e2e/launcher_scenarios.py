"""What the launcher scenarios share: an installation, a start with an exact
command line, and the logs read back."""

import contextlib
import os
import re
import shutil
import subprocess
import tempfile
import time
import unittest

from tabpack import placeholder_archive
from winemachine import DIST_DIR, LOG_TIME_MASK, WIN_TESTS_DIR, read_log

LAUNCHER_KEY = r"HKLM\SOFTWARE\Altavy Solutions Inc.\Launcher"
LAUNCHER_KEY_PATH = r"SOFTWARE\Altavy Solutions Inc.\Launcher"
PROGRAM_DATA = r"C:\ProgramData\Altavy"
DEBUG_LOG = "OvwinDebug.log"
ERROR_LOG = "OvwinError.log"
PRELOAD_LOG = "OvwinPreload.log"

MESSAGE_COLUMN = 33

# Pauses of the standard start and the preload mode, in seconds.
STANDARD_START_PAUSES = 4.7
PRELOAD_PAUSES = 2.8

# The standard start's status line and its sub-status lines.
STANDARD_STATUS = "Initializing Brisel..."
STANDARD_STEPS = [
    "Inspecting operating system environment...", "Validating Configuration...", "Checking for required updates...",
    "Validating Dependencies...", "Validating COM Assemblies...", "Validating Altavy Fonts...",
    "Validating Brisel executables...", "Validating Brisel Peripheral Engine files...", "Preparing to launch...",
    "Launching Brisel Please Wait...",
]

# The main program and its companions, which a launcher on another drive
# than Windows copies into the cache in this order.
PROGRAM_FILES = ["ovwin.chm", "oktov.chm", "readme.htm", "ovw_sp.chm", "verozar1.exe", "verozar2.dll",
                 "verozar5.dll", "verozar6.exe", "verozar7.exe", "verozarx.dll", "verozaru.dll"]
# The folder that holds the cache, as the configuration repair makes it.
CACHE_PARENT = r"C:\users\root\AppData\Local\Oskelt\Orvanta"
CACHE = CACHE_PARENT + r"\_tcache1"


# The registry marks the Microsoft installers leave, below HKLM.
VC_RUNTIME_X86_MARK = r"SOFTWARE\Wow6432Node\Microsoft\VisualStudio\14.0\VC\Runtimes\x86"
VC_RUNTIME_X64_MARK = r"SOFTWARE\Wow6432Node\Microsoft\VisualStudio\14.0\VC\Runtimes\x64"
NETFX_MARK = r"Software\Microsoft\NET Framework Setup\NDP\v4\Full"
STANDINS_DIR = os.path.join(WIN_TESTS_DIR, "standins")
ASSEMBLIES_DIR = os.path.join(WIN_TESTS_DIR, "assemblies")


def import_registry(machine, values):
    """Sets values below HKEY_LOCAL_MACHINE in the 64-bit view with one `reg
    import`: {key: {name: int (a DWORD) or str}}."""
    lines = ["Windows Registry Editor Version 5.00", ""]
    for key, named in values.items():
        lines.append("[HKEY_LOCAL_MACHINE\\%s]" % key)
        for name, value in named.items():
            data = ("dword:%08x" % value if isinstance(value, int)
                    else '"%s"' % value.replace("\\", "\\\\").replace('"', '\\"'))
            lines.append('"%s"=%s' % (name, data))
        lines.append("")
    path = r"C:\windows\temp\ovwin-test-values.reg"
    machine.write_file(path, "\r\n".join(lines))
    machine.wine("reg", "import", path, "/reg:64")
    os.remove(machine.host_path(path))


def mark_runtimes_installed(machine, x86=True, x64=True, netfx=True):
    """The registry marks of installed VC runtimes and .NET Framework 4.8."""
    marks = {}
    for wanted, key in ((x86, VC_RUNTIME_X86_MARK), (x64, VC_RUNTIME_X64_MARK)):
        if wanted:
            marks[key] = {"Installed": 1, "Version": "v14.36.32532.00"}
    if netfx:
        marks[NETFX_MARK] = {"Install": 1, "Release": 528040}
    if marks:
        import_registry(machine, marks)


class ScratchFolder(unittest.TestCase):
    """A test with a host folder of its own in self.scratch (for the
    archives it builds), removed afterwards."""

    def setUp(self):
        self.scratch = tempfile.mkdtemp(prefix="ovwin-scenario-")
        self.addCleanup(shutil.rmtree, self.scratch, True)


class Installation:
    """ovwin64.exe in a folder of a clean machine, started as a user would,
    with a package archive beside it: by default one that installs nothing,
    since a start without one stops at an error box; archive=None lays
    down none.

    Like an administrator's installation it has the COM registration
    utility (the stand-in) in UTL and a "redist" folder, empty unless a
    test adds to it, and the machine has the runtimes installed (their
    registry marks), so that neither the runtime step nor the COM step has
    anything to do: runtimes=False leaves the marks out, utility=False the
    utility."""

    def __init__(self, machine, folder=None, archive=True, runtimes=True, utility=True):
        self.machine = machine
        self.folder = machine.install_launcher(folder) if folder else machine.install_launcher()
        self.launcher = self.folder + "\\ovwin64.exe"
        if archive:
            self.add_archive(placeholder_archive() if archive is True else archive)
        os.makedirs(self.path("redist"), exist_ok=True)
        if utility:
            machine.copy_in(os.path.join(STANDINS_DIR, "DoziZUZ.exe"), self.folder + "\\UTL")
        if runtimes:
            mark_runtimes_installed(machine)

    def add_to_redist(self, host_file, name=None):
        """Puts a stand-in installer or a test assembly into "redist"."""
        self.machine.copy_in(host_file, self.folder + "\\redist", name)

    def add_archive(self, archive):
        """Puts an archive (a host file) in the place of verozar0.dll."""
        self.machine.copy_in(archive, self.folder, "verozar0.dll")

    def add_program_data(self):
        """The program-data folder that holds the backups, as the first
        elevated start leaves it."""
        os.makedirs(self.machine.host_path(PROGRAM_DATA), exist_ok=True)

    def run(self, arguments, timeout=120, env=None):
        """Runs the launcher to its end; returns (result, seconds taken).
        env: more environment variables for this run."""
        started = time.monotonic()
        result = self.machine.run(self.launcher, arguments, cwd=self.folder, timeout=timeout, env=env)
        return result, time.monotonic() - started

    def start(self, arguments, env=None):
        return self.machine.start_program(self.launcher, arguments, cwd=self.folder, env=env)

    def path(self, name):
        return self.machine.host_path(self.folder + "\\" + name)

    def exists(self, name):
        return os.path.exists(self.path(name))

    def log(self, name=DEBUG_LOG, missing_ok=False):
        """The log's lines with date and time masked. A log that was never
        written fails the test, unless missing_ok says the test allows that
        (the launcher writes no error log when there was no error): then []."""
        if self.exists(name):
            return read_log(self.path(name))
        if missing_ok:
            return []
        raise AssertionError("the launcher wrote no %s" % name)

    def messages(self, name=DEBUG_LOG, missing_ok=False):
        """(tag, indentation, message) of each line of a log, with a wrapped
        line's continuations joined back into its message."""
        entries = []
        for line in self.log(name, missing_ok):
            if line.startswith(LOG_TIME_MASK):
                rest = line[len(LOG_TIME_MASK) + len("OVWIN "):]
                tag, body = rest[:8], rest[9:]
                text = body.lstrip(" ")
                entries.append([tag, len(body) - len(text), text, False])
            elif entries:
                # The first physical line was cut at a space, which it dropped
                # (unless it was cut before the message began).
                entry = entries[-1]
                piece = line[MESSAGE_COLUMN + entry[1]:]
                if not entry[3] and entry[2]:
                    entry[2] += " "
                entry[2] += piece
                entry[3] = True
        return [(tag, indent, text) for tag, indent, text, _ in entries]

    def texts(self, name=DEBUG_LOG, missing_ok=False):
        return [text for _, _, text in self.messages(name, missing_ok)]

    def set_debug_level(self, level):
        self.machine.reg_add(LAUNCHER_KEY, "Debug", "REG_DWORD", level)

    def add_main_program(self, program="echo_command_line.exe"):
        """A Windows program of the tests in the place of verozar1.exe."""
        self.machine.copy_in(os.path.join(WIN_TESTS_DIR, program), self.folder, "verozar1.exe")


def main_program_report(path, timeout=20):
    """The sample main program's report at this host path, once it has
    written it, as a dictionary of its key=value lines."""
    deadline = time.monotonic() + timeout
    while not os.path.exists(path):
        if time.monotonic() > deadline:
            raise AssertionError("the main program wrote no report")
        time.sleep(0.2)
    time.sleep(0.2)
    with open(path, "rb") as f:
        lines = f.read().decode("latin-1").split("\r\n")
    return dict(line.split("=", 1) for line in lines if "=" in line)


@contextlib.contextmanager
def held_open(machine, path):
    """Keeps a file of the machine open without sharing, in another
    process, for the length of the block, as a program that locks its file
    does."""
    holder = machine.start_program(os.path.join(WIN_TESTS_DIR, "hold_file.exe"), path)
    marker = machine.host_path(path + ".held")
    deadline = time.monotonic() + 30
    while not os.path.exists(marker):
        if not holder.running() or time.monotonic() > deadline:
            raise AssertionError("%s could not be held open: %r" % (path, holder.wait(10)))
        time.sleep(0.05)
    try:
        yield
    finally:
        os.remove(marker)
        holder.wait(30)


def launcher_resources():
    """The resources of the built launcher as windres prints them: read back
    from the PE file, not from our own sources."""
    return subprocess.run(["x86_64-w64-mingw32-windres", "-i", os.path.join(DIST_DIR, "ovwin64.exe"), "-O", "rc"],
                          capture_output=True, text=True, check=True).stdout


def launcher_version():
    """The launcher's version strings and numbers."""
    resources = launcher_resources()
    numbers = re.search(r"FILEVERSION (\d+), (\d+), (\d+), (\d+)", resources).groups()
    strings = dict(re.findall(r'VALUE "(\w+)", "([^"]*)"', resources))
    return ".".join(numbers), strings


def header_lines():
    """The six lines a freshly opened debug log starts with, as
    (tag, indentation, text); the one-space lines read as an indentation of
    one and no text."""
    version, strings = launcher_version()
    rule = "-" * 119
    return [("DEBUG   ", 1, ""), ("DEBUG   ", 0, rule),
            ("DEBUG   ", 0, "%s 64-bit edition v%s" % (strings["FileDescription"], version)),
            ("DEBUG   ", 1, ""), ("DEBUG   ", 0, strings["LegalCopyright"]), ("DEBUG   ", 0, rule)]
