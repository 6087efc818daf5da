#!/usr/bin/env python3
"""Runs one Windows test program in a clean machine under Wine and passes on
its verdict: run_windows_program.py PROGRAM.exe [ARGUMENT TEXT]. A GoogleTest
program that ran no test at all (a filter that matches nothing) fails."""

import os
import re
import sys

from winemachine import DIST_DIR, WineMachine


def main():
    if len(sys.argv) < 2:
        sys.exit("usage: run_windows_program.py PROGRAM.exe [ARGUMENT TEXT]")
    program = sys.argv[1]
    arguments = " ".join(sys.argv[2:])
    name = os.path.splitext(os.path.basename(program))[0]
    with WineMachine(name, display=True) as machine:
        # The programs beside it come along: tests start them.
        folder = r"C:\tests"
        program_folder = os.path.dirname(os.path.abspath(program))
        for neighbour in sorted(os.listdir(program_folder)):
            if neighbour.lower().endswith(".exe"):
                machine.copy_in(os.path.join(program_folder, neighbour), folder)
        # The stand-ins and test assemblies the build put in subfolders.
        for subfolder in ("standins", "assemblies"):
            source = os.path.join(program_folder, subfolder)
            if os.path.isdir(source):
                for neighbour in sorted(os.listdir(source)):
                    machine.copy_in(os.path.join(source, neighbour), folder + "\\" + subfolder)
        # The launcher too, for the tests that read its own files.
        machine.copy_in(os.path.join(DIST_DIR, "ovwin64.exe"), folder)
        # And the files the build made for them (signed archives, keys).
        data = os.environ.get("OVWIN_WIN_TEST_DATA")
        if data and os.path.isdir(data):
            for data_file in sorted(os.listdir(data)):
                machine.copy_in(os.path.join(data, data_file), folder + "\\data")
        result = machine.run(folder + "\\" + os.path.basename(program), arguments, cwd=folder, timeout=600)
    output = result.stdout.decode("latin-1")
    sys.stdout.write(output)
    sys.stderr.write(result.stderr.decode("latin-1"))
    print("%s ended with exit code %d" % (name, result.exit_code))
    if re.search(r"^\[=+\] 0 tests from ", output, re.MULTILINE):
        print("%s ran no test for %r" % (name, arguments))
        sys.exit(1)
    sys.exit(0 if result.exit_code == 0 else 1)


if __name__ == "__main__":
    main()
