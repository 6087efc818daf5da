#!/usr/bin/env python3
"""`make demo`: lays out a sample installation in a clean Wine machine, starts
the launcher there as a user would (under Xvfb unless a display is set) and
prints what happened: the exit code, the logs, the files it left and where the
screenshots are. The installation's package archive brings an update of the
main program, which the start installs, and the machine lacks the x86 VC
runtime, which the start installs with the stand-in installer of its
"redist" folder; a second start finds every entry up to date and the
runtime in place."""

import os
import shutil
import sys
import tempfile
import time

from tabpack import Entry, build_archive
from lnkinfo import read_link
from winemachine import ARTIFACTS_DIR, DIST_DIR, WIN_TESTS_DIR, read_log, WineMachine

COMPANY_KEY = r"HKLM\SOFTWARE\Altavy Solutions Inc."
LAUNCHER_KEY = COMPANY_KEY + r"\Launcher"
# What the configuration repair opens up to every user on a clean machine.
REPAIRED_FOLDERS = (r"C:\ProgramData\Altavy", r"C:\users\root\AppData\Local\Oskelt\Orvanta")
ARGUMENTS = "-d -i"
MAIN_PROGRAM_TITLE = "Brisel - sample main program"
WINDOW_TITLES = ("Initializing Brisel", MAIN_PROGRAM_TITLE)
# The launcher on a network drive, as administrators deploy it: the main
# program runs from the user's cache.
SHARE_FOLDER = r"N:\Altavy\Orvanta"
CACHE_PARENT = r"C:\users\root\AppData\Local\Oskelt\Orvanta"
CACHE = CACHE_PARENT + r"\_tcache1"
# Small stand-ins for the main program's companions and one peripheral
# engine file, all copied into the cache.
COMPANIONS = ("ovwin.chm", "oktov.chm", "readme.htm", "ovw_sp.chm", "verozar2.dll", "verozar5.dll", "verozar6.exe",
              "verozar7.exe", "verozarx.dll", "verozaru.dll", "tpe\\rates.tpe")
START_MENU = r"C:\users\root\AppData\Roaming\Microsoft\Windows\Start Menu\Programs\Altavy Solutions"
# The test stand-ins of a runtime installer and of the COM registration
# utility (they install and register nothing), and the registry marks of
# the runtimes the machine already has: all but the x86 VC runtime.
STANDINS = os.path.join(WIN_TESTS_DIR, "standins")
STANDIN_RECORD = r"C:\standin-calls.txt"
INSTALLED_RUNTIMES = (
    (r"HKLM\SOFTWARE\Wow6432Node\Microsoft\VisualStudio\14.0\VC\Runtimes\x64", "Installed", "REG_DWORD", 1),
    (r"HKLM\SOFTWARE\Wow6432Node\Microsoft\VisualStudio\14.0\VC\Runtimes\x64", "Version", "REG_SZ",
     "v14.36.32532.00"),
    (r"HKLM\Software\Microsoft\NET Framework Setup\NDP\v4\Full", "Install", "REG_DWORD", 1),
    (r"HKLM\Software\Microsoft\NET Framework Setup\NDP\v4\Full", "Release", "REG_DWORD", 528040),
)


def heading(text):
    print("\n=== %s %s" % (text, "=" * max(0, 70 - len(text))))


def sample_archive(folder):
    """An archive with a newer build of the main program and two files."""
    with open(os.path.join(DIST_DIR, "samples", "verozar1.exe"), "rb") as f:
        program = f.read()
    return build_archive(folder, [
        Entry("verozar1.exe", "CUR", "newer", "2024-03-01T08:00:00.000Z", program),
        Entry("verozar1-help.txt", "CUR", "different", "2024-03-01T08:00:00.000Z", b"Brisel help\r\n"),
        Entry("ovwin-sample.ini", "WIN", "doesnotexist", "2024-03-01T08:00:00.000Z", b"[Sample]\r\n"),
    ])


def main():
    scratch = tempfile.mkdtemp(prefix="ovwin-demo-")
    try:
        return run_demo(sample_archive(scratch))
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


def run_demo(archive):
    with WineMachine("demo", display=True) as machine:
        machine.add_drive("n", network=True)
        folder = machine.install_launcher(SHARE_FOLDER)
        # An older build of the main program is installed; the archive
        # brings the update.
        installed = machine.copy_in(os.path.join(DIST_DIR, "samples", "verozar1.exe"), folder)
        os.utime(machine.host_path(installed), (1672531200, 1672531200))  # 2023-01-01
        machine.copy_in(archive, folder, "verozar0.dll")
        for name in COMPANIONS:
            machine.write_file(folder + "\\" + name, "A stand-in for %s.\r\n" % name)
        machine.copy_in(os.path.join(STANDINS, "vc_redist.x86.exe"), folder + "\\redist")
        machine.copy_in(os.path.join(STANDINS, "DoziZUZ.exe"), folder + "\\UTL")
        for key, name, kind, value in INSTALLED_RUNTIMES:
            machine.reg_add(key, name, kind, value)
        # The cache's parent, as the configuration repair leaves it.
        os.makedirs(machine.host_path(CACHE_PARENT), exist_ok=True)
        before = set(_files(machine, folder))

        heading("Starting the launcher")
        print('%s\\ovwin64.exe %s   (in "%s")' % (folder, ARGUMENTS, folder))
        started = machine.start_program(folder + "\\ovwin64.exe", ARGUMENTS, cwd=folder,
                                        env={"OVWIN_STANDIN_RECORD": STANDIN_RECORD})
        shots = _watch_windows(machine, started)
        result = started.wait(300)
        if not any(MAIN_PROGRAM_TITLE.lower().replace(" ", "-") in shot for shot in shots):
            shots += _watch_windows(machine, None, [MAIN_PROGRAM_TITLE], seconds=15)

        heading("Exit code")
        print(result.exit_code)

        for name in ("OvwinDebug.log", "OvwinError.log", "OvwinPreload.log"):
            path = machine.host_path(CACHE + "\\" + name)
            if os.path.exists(path):
                heading(name)
                print("\n".join(read_log(path)))

        for name in ("instance.t1", "verozar1-report.txt"):
            path = machine.host_path(CACHE + "\\" + name)
            if os.path.exists(path):
                heading(name + ("  (what the main program received)" if "report" in name else ""))
                with open(path, "rb") as f:
                    print(f.read().decode("latin-1").replace("\r\n", "\n"), end="")

        heading("Files the launcher left in " + folder)
        for name in sorted(set(_files(machine, folder)) - before):
            print("  " + name)

        value = machine.reg_query(LAUNCHER_KEY, "LastRunFrom")
        heading("Registry")
        print("LastRunFrom = %r" % (value,))
        # The stage the registry repair reached (3: the key open to Everyone)
        # and the debug level it reset.
        print("_icode = %r" % (machine.reg_query(COMPANY_KEY, "_icode"),))
        print("Debug = %r" % (machine.reg_query(LAUNCHER_KEY, "Debug"),))

        heading("Folders the configuration repair made")
        for repaired in REPAIRED_FOLDERS:
            print("  %s%s" % (repaired, "" if machine.exists(repaired) else "  (missing)"))

        heading("The cache " + CACHE)
        for name in sorted(_files(machine, CACHE)):
            print("  " + name)

        heading("Shortcuts, as lnkinfo reads them")
        for link in [START_MENU + "\\" + name for name in sorted(_files(machine, START_MENU))] + [
                folder + "\\" + name for name in sorted(_files(machine, folder)) if name.endswith(".LNK")]:
            fields = read_link(machine.host_path(link))
            print("  %s\n    -> %s %s  (in %s; icon %s,%s)\n    %s" % (
                link, fields.get("Local path"), fields.get("Command line arguments"),
                fields.get("Working directory"), fields.get("Icon location"), fields.get("Icon index"),
                fields.get("Description")))

        if machine.exists(STANDIN_RECORD):
            heading("What the stand-in installer was given (program, parameters, outcome)")
            print(machine.read_bytes(STANDIN_RECORD).decode("latin-1").replace("\r\n", "\n"), end="")

        heading("A second start (silent): the update and dependency steps")
        second = machine.run(folder + "\\ovwin64.exe", "-s -d", cwd=folder, timeout=300)
        print("exit code %d" % second.exit_code)
        lines = read_log(machine.host_path(folder + "\\OvwinDebug.log"))
        print("\n".join(_step_lines(lines, "Checking for required updates...")))
        print("\n".join(_step_lines(lines, "Validating Dependencies...")))

        heading("Screenshots")
        for path in shots or ["(no window was seen)"]:
            print("  " + path)
    return 0


def _step_lines(lines, status):
    """A step's lines of a debug log, from its status line to the next."""
    start = next(i for i, line in enumerate(lines) if line.endswith(status))
    end = next(i for i in range(start + 1, len(lines)) if "UpdateSubStatus: " in lines[i])
    return lines[start:end]


def _files(machine, folder):
    root = machine.host_path(folder)
    for directory, _, names in os.walk(root):
        for name in names:
            yield os.path.relpath(os.path.join(directory, name), root).replace("/", "\\")


def _watch_windows(machine, started, titles=WINDOW_TITLES, seconds=None):
    """Takes one screenshot of each window while the launcher runs (or, with
    no launcher, for some seconds or until every window was seen)."""
    seen = []
    deadline = time.monotonic() + (seconds or 0)
    while (started.running() if started else time.monotonic() < deadline and len(seen) < len(titles)):
        for title in titles:
            if title in seen:
                continue
            status, _ = machine.uiprobe("wait", title, "100", check=False)
            if status != 0:
                continue
            time.sleep(0.5)
            name = "demo-" + title.lower().replace(" ", "-")
            try:
                machine.screenshot(title, name)
            except Exception as error:  # the window may close meanwhile
                print("(no screenshot of %r: %s)" % (title, error))
                continue
            seen.append(title)
        time.sleep(0.2)
    return [os.path.join(ARTIFACTS_DIR, "demo-%s.png" % t.lower().replace(" ", "-")) for t in seen]


if __name__ == "__main__":
    sys.exit(main())
