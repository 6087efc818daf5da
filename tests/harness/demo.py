#!/usr/bin/env python3
"""`make demo`: lays out a sample installation in a clean Wine machine, starts
the launcher there as a user would (under Xvfb unless a display is set) and
prints what happened: the exit code, the logs, the files it left and where the
screenshots are."""

import os
import sys
import time

from winemachine import ARTIFACTS_DIR, DEFAULT_INSTALL_FOLDER, WIN_TESTS_DIR, read_log, WineMachine

LAUNCHER_KEY = r"HKLM\SOFTWARE\Altavy Solutions Inc.\Launcher"
ARGUMENTS = "-d"
WINDOW_TITLES = ("Initializing Brisel", "OVWin")


def heading(text):
    print("\n=== %s %s" % (text, "=" * max(0, 70 - len(text))))


def main():
    with WineMachine("demo", display=True) as machine:
        folder = machine.install_launcher(DEFAULT_INSTALL_FOLDER)
        # Until the sample main program exists, a small test program takes
        # the place of verozar1.exe.
        machine.copy_in(os.path.join(WIN_TESTS_DIR, "echo_command_line.exe"), folder, "verozar1.exe")
        before = set(_files(machine, folder))

        heading("Starting the launcher")
        print('%s\\ovwin64.exe %s   (in "%s")' % (folder, ARGUMENTS, folder))
        started = machine.start_program(folder + "\\ovwin64.exe", ARGUMENTS, cwd=folder)
        shots = _watch_windows(machine, started)
        result = started.wait(300)

        heading("Exit code")
        print(result.exit_code)

        for name in ("OvwinDebug.log", "OvwinError.log", "OvwinPreload.log"):
            path = machine.host_path(folder + "\\" + name)
            if os.path.exists(path):
                heading(name)
                print("\n".join(read_log(path)))

        heading("Files the launcher left in " + folder)
        for name in sorted(set(_files(machine, folder)) - before):
            print("  " + name)

        value = machine.reg_query(LAUNCHER_KEY, "LastRunFrom")
        heading("Registry")
        print("LastRunFrom = %r" % (value,))

        heading("Screenshots")
        for path in shots or ["(no window was seen)"]:
            print("  " + path)
    return 0


def _files(machine, folder):
    root = machine.host_path(folder)
    for directory, _, names in os.walk(root):
        for name in names:
            yield os.path.relpath(os.path.join(directory, name), root)


def _watch_windows(machine, started):
    """Takes one screenshot of each window of the launcher while it runs, and
    dismisses a message box so that the demo never waits for a person."""
    seen = []
    while started.running():
        for title in WINDOW_TITLES:
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
            if title == "OVWin":
                machine.uiprobe("click", title, "1", check=False)
        time.sleep(0.2)
    return [os.path.join(ARTIFACTS_DIR, "demo-%s.png" % t.lower().replace(" ", "-")) for t in seen]


if __name__ == "__main__":
    sys.exit(main())
