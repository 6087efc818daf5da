#!/usr/bin/env python3
"""`make demo`: lays out a sample installation in a clean Wine machine, starts
the launcher there as a user would (under Xvfb unless a display is set) and
prints what happened: the exit code, the logs, the files it left and where the
screenshots are."""

import os
import sys
import time

from winemachine import ARTIFACTS_DIR, DEFAULT_INSTALL_FOLDER, DIST_DIR, read_log, WineMachine

COMPANY_KEY = r"HKLM\SOFTWARE\Altavy Solutions Inc."
LAUNCHER_KEY = COMPANY_KEY + r"\Launcher"
# What the configuration repair opens up to every user on a clean machine.
REPAIRED_FOLDERS = (r"C:\ProgramData\Altavy", r"C:\users\root\AppData\Local\Oskelt\Orvanta")
ARGUMENTS = "-d -i"
MAIN_PROGRAM_TITLE = "Brisel - sample main program"
WINDOW_TITLES = ("Initializing Brisel", MAIN_PROGRAM_TITLE)


def heading(text):
    print("\n=== %s %s" % (text, "=" * max(0, 70 - len(text))))


def main():
    with WineMachine("demo", display=True) as machine:
        folder = machine.install_launcher(DEFAULT_INSTALL_FOLDER)
        machine.copy_in(os.path.join(DIST_DIR, "samples", "verozar1.exe"), folder)
        before = set(_files(machine, folder))

        heading("Starting the launcher")
        print('%s\\ovwin64.exe %s   (in "%s")' % (folder, ARGUMENTS, folder))
        started = machine.start_program(folder + "\\ovwin64.exe", ARGUMENTS, cwd=folder)
        shots = _watch_windows(machine, started)
        result = started.wait(300)
        if not any(MAIN_PROGRAM_TITLE.lower().replace(" ", "-") in shot for shot in shots):
            shots += _watch_windows(machine, None, [MAIN_PROGRAM_TITLE], seconds=15)

        heading("Exit code")
        print(result.exit_code)

        for name in ("OvwinDebug.log", "OvwinError.log", "OvwinPreload.log"):
            path = machine.host_path(folder + "\\" + name)
            if os.path.exists(path):
                heading(name)
                print("\n".join(read_log(path)))

        for name in ("instance.t1", "verozar1-report.txt"):
            path = machine.host_path(folder + "\\" + name)
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

        heading("Screenshots")
        for path in shots or ["(no window was seen)"]:
            print("  " + path)
    return 0


def _files(machine, folder):
    root = machine.host_path(folder)
    for directory, _, names in os.walk(root):
        for name in names:
            yield os.path.relpath(os.path.join(directory, name), root)


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
