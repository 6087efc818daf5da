#!/usr/bin/env python3
"""`make demo`: what a new administrator needs to see, on a clean Wine
machine (under Xvfb unless a display is set).

The launcher is deployed on a network drive with a package archive that
brings a newer main program (the sample verozar1.exe), the stand-in of the
x86 VC runtime installer in "redist", a COM assembly and the registration
utility's stand-in; the machine has never run it and lacks that runtime.

The first start repairs the configuration (registry key, program-data and
cache folders), installs the update, the runtime and the assembly, copies
the program files into the user's cache, creates the shortcuts and starts
the main program with its instance file. The second start finds all of it
current and starts the main program again.

It prints a short summary and leaves the logs, instance files, the main
program's reports, screenshots and a detailed listing in one folder
(build/demo, or --output DIR). The exit status is 0 when both starts did
what the summary says they should, 1 otherwise."""

import argparse
import os
import re
import shutil
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
sys.path.insert(0, os.path.join(HERE, "..", "e2e"))

from launcher_scenarios import (ASSEMBLIES_DIR, DEBUG_LOG, ERROR_LOG, STANDINS_DIR,  # noqa: E402
                                Installation, mark_runtimes_installed)
from lnkinfo import read_link  # noqa: E402
from tabpack import Entry, build_archive  # noqa: E402
from winemachine import DIST_DIR, REPO, WineError, WineMachine  # noqa: E402

DEMO_DIR = os.path.join(REPO, "build", "demo")
COMPANY_KEY = r"HKLM\SOFTWARE\Altavy Solutions Inc."
LAUNCHER_KEY = COMPANY_KEY + r"\Launcher"
# The launcher on a network drive, as administrators deploy it: the main
# program runs from the user's cache.
SHARE_FOLDER = r"N:\Altavy\Orvanta"
PROGRAM_DATA = r"C:\ProgramData\Altavy"
CACHE_PARENT = r"C:\users\root\AppData\Local\Oskelt\Orvanta"
CACHE = CACHE_PARENT + r"\_tcache1"
START_MENU = r"C:\users\root\AppData\Roaming\Microsoft\Windows\Start Menu\Programs\Altavy Solutions"
# The arguments of the start menu's "Diagnostic Mode" shortcut: an instance
# file for the main program, and the debug log.
ARGUMENTS = "-d -i"
SPLASH_TITLE = "Initializing Brisel"
MAIN_PROGRAM_TITLE = "Brisel - sample main program"
# Small stand-ins for the main program's companions and one peripheral
# engine file, all copied into the cache.
COMPANIONS = ("ovwin.chm", "oktov.chm", "readme.htm", "ovw_sp.chm", "verozar2.dll", "verozar5.dll", "verozar6.exe",
              "verozar7.exe", "verozarx.dll", "verozaru.dll", "tpe\\rates.tpe")
STANDIN_RECORD = r"C:\standin-calls.txt"
REPORT = "verozar1-report.txt"


def sample_archive(folder):
    """An archive with a newer build of the main program and two files."""
    with open(os.path.join(DIST_DIR, "samples", "verozar1.exe"), "rb") as f:
        program = f.read()
    return build_archive(folder, [
        Entry("verozar1.exe", "CUR", "newer", "2024-03-01T08:00:00.000Z", program),
        Entry("verozar1-help.txt", "CUR", "different", "2024-03-01T08:00:00.000Z", b"Brisel help\r\n"),
        Entry("ovwin-sample.ini", "WIN", "doesnotexist", "2024-03-01T08:00:00.000Z", b"[Sample]\r\n"),
    ])


def lay_out(machine, archive):
    """The share as an administrator fills it; the machine has every runtime
    but the x86 VC runtime, and nothing of the launcher's own."""
    installation = Installation(machine, folder=SHARE_FOLDER, archive=archive, runtimes=False)
    mark_runtimes_installed(machine, x86=False)
    # An older build of the main program is installed; the archive brings
    # the update.
    older = machine.copy_in(os.path.join(DIST_DIR, "samples", "verozar1.exe"), installation.folder)
    os.utime(machine.host_path(older), (1672531200, 1672531200))  # 2023-01-01
    for name in COMPANIONS:
        machine.write_file(installation.folder + "\\" + name, "A stand-in for %s.\r\n" % name)
    installation.add_to_redist(os.path.join(STANDINS_DIR, "vc_redist.x86.exe"))
    installation.add_to_redist(os.path.join(ASSEMBLIES_DIR, "assembly-charts-1.0.0.1.dll"), "OrvCharts.dll")
    return installation


class Start:
    """One start of the launcher and what it left, read from its logs."""

    def __init__(self, name, installation, folder):
        self.name = name
        self.installation = installation
        self.folder = os.path.join(folder, name)
        self.exit_code = None
        self.screenshots = []
        self.texts = []
        self.error_lines = []
        self.report = {}

    def run(self):
        machine = self.installation.machine
        started = self.installation.start(ARGUMENTS, env={"OVWIN_STANDIN_RECORD": STANDIN_RECORD})
        self._watch(machine, started, [(SPLASH_TITLE, "splash")])
        self.exit_code = started.wait(300).exit_code
        self._watch(machine, None, [(MAIN_PROGRAM_TITLE, "main-program")], seconds=20)
        self._keep(machine)

    def _watch(self, machine, started, windows, seconds=0):
        """One screenshot of each window, once it has painted, while the
        launcher runs (or, without one, for some seconds)."""
        deadline = time.monotonic() + seconds
        waiting = list(windows)
        while waiting and (started.running() if started else time.monotonic() < deadline):
            for title, name in list(waiting):
                if machine.uiprobe("wait", title, "100", check=False)[0] != 0:
                    continue
                time.sleep(1.0)  # a step or two later: the splash shows a step
                try:
                    machine.screenshot(title, name, self.folder)
                except WineError:
                    continue  # it closed meanwhile
                self.screenshots.append(os.path.join(self.folder, name + ".png"))
                waiting.remove((title, name))
            time.sleep(0.2)

    def _keep(self, machine):
        os.makedirs(self.folder, exist_ok=True)
        kept = [(self.installation.folder + "\\" + name, name) for name in (DEBUG_LOG, ERROR_LOG)]
        kept += [(CACHE + "\\" + name, name) for name in ("instance.t1", REPORT)]
        for windows_path, name in kept:
            if machine.exists(windows_path):
                shutil.copyfile(machine.host_path(windows_path), os.path.join(self.folder, name))
        self.texts = self.installation.texts()
        self.error_lines = [line for line in self.installation.log(ERROR_LOG, missing_ok=True)
                            if line.startswith("xx/")]
        if machine.exists(CACHE + "\\" + REPORT):
            with open(machine.host_path(CACHE + "\\" + REPORT), "rb") as f:
                lines = f.read().decode("latin-1").split("\r\n")
            self.report = dict(line.split("=", 1) for line in lines if "=" in line)
            # The next start's main program writes it anew.
            os.remove(machine.host_path(CACHE + "\\" + REPORT))

    # -- what the log says --------------------------------------------------

    def after(self, prefix):
        """The rest of every message that begins with prefix."""
        return [text[len(prefix):] for text in self.texts if text.startswith(prefix)]

    def has(self, text):
        return text in self.texts

    def repairs(self):
        repairs = []
        for required, done, what in (
                ("Registry updates required.", "UpdateConfigRegistry: Registry tasks completed successfully.",
                 "the registry key " + COMPANY_KEY),
                ("File System configuration location updates required.",
                 "UpdateConfigAppData: File system tasks completed successfully.", PROGRAM_DATA),
                ("File System cache location updates required.",
                 "UpdateCacheFolder: File system tasks completed successfully.", CACHE_PARENT)):
            if self.has("InitConfigLocations: " + required):
                repairs.append(what + ("" if self.has(done) else " (the repair failed: see the error log)"))
        return repairs

    def installed_entries(self):
        return [name.rstrip(".") for name in self.after("CheckToInstallEntry: Installing/Upgrading ")]

    def current_entries(self):
        return self.texts.count("CheckToInstallEntry: This entry is installed and up-to-date.")

    def runtimes_installed(self):
        return [name[:-len(" requires installation or update.")] for name in self.after("InstallRedistFiles: ")
                if name.endswith(" requires installation or update.")]

    def runtimes_current(self):
        return self.has("InstallRedistFiles: All required dependencies are installed and up-to-date.")

    def assemblies_installed(self):
        return [name.rstrip(".") for name in self.after("InstallComponent: Installing/Upgrading ")]

    def cache_copies(self):
        return [copy for copy in self.after("InstallFileName: Copying ") if "\\_tcache1\\" in copy]

    def shortcuts(self):
        return [text.split('"')[1] for text in self.after("CreateShortcut: Creating shortcut ")]

    def main_program(self):
        """The program started, without its command line."""
        started = self.after("ExecuteProcessEx:    -> (")
        if not started or not self.has("ExecuteProcessEx:    -> Success"):
            return None
        program = started[0].split(") ", 1)[1]
        command_line = " " + self.report.get("command_line", "")
        return program[:-len(command_line)] if program.endswith(command_line) else program

    def outcome(self):
        return next((text for text in self.texts if text.startswith("*** Brisel Launch")), "(no outcome line)")


# What Wine cannot keep, so that a second start there repairs them again; on
# Windows it finds them valid: the key's reflection state cannot be queried
# and folders keep no DACL.
REPAIRED_AGAIN_UNDER_WINE = ["the registry key " + COMPANY_KEY, PROGRAM_DATA]


def plural(count, word, words=None):
    return "%d %s" % (count, word if count == 1 else words or word + "s")


def counted_before_logs(start):
    """Errors the outcome line counts that no log holds: on a clean machine
    the missing "Debug" value, counted before the logs are open."""
    counted = re.search(r"There (?:was|were) (\d+)", start.outcome())
    return (int(counted.group(1)) if counted else 0) - len(start.error_lines)


def summarise(start, arguments):
    entries, current = start.installed_entries(), start.current_entries()
    runtimes, assemblies = start.runtimes_installed(), start.assemblies_installed()
    copies, shortcuts = start.cache_copies(), start.shortcuts()
    repairs = start.repairs()
    program = start.main_program()
    unlogged = counted_before_logs(start)
    lines = [
        "%s: %s\\ovwin64.exe %s" % (start.name, SHARE_FOLDER, arguments),
        "  exit code %s; %s in OvwinError.log" % (start.exit_code, plural(len(start.error_lines), "line")),
        "  outcome line:   " + start.outcome(),
    ]
    if unlogged > 0:
        lines.append("                  (%d counted before the logs were open: the launcher key's \"Debug\" value, "
                     "which a clean machine lacks)" % unlogged)
    lines += [
        "  configuration:  " + ("repaired " + ", ".join(repairs) if repairs else "valid, nothing repaired"),
    ]
    if repairs and repairs == REPAIRED_AGAIN_UNDER_WINE and start.name == "second-start":
        lines.append("                  (again, as Wine keeps no folder DACLs and cannot report the key's "
                     "reflection state; Windows finds both valid)")
    lines += [
        "  update:         " + ("installed %s (%s); %d up to date" % (
            plural(len(entries), "entry", "entries"), ", ".join(entries), current) if entries
            else "%s up to date, nothing installed" % plural(current, "entry", "entries")),
        "  prerequisites:  " + ("installed " + ", ".join(runtimes) if runtimes
                                else "all installed" if start.runtimes_current() else "(not checked)"),
        "  COM assemblies: " + ("installed and registered " + ", ".join(assemblies) if assemblies
                                else "all up to date"),
        "  program cache:  %s into %s" % ("copied " + plural(len(copies), "file") if copies
                                          else "every file current, nothing copied", CACHE),
        "  shortcuts:      " + ("created %d (start menu and share)" % len(shortcuts) if shortcuts
                                else "all in place, none created"),
        "  main program:   " + ("started " + program if program else "NOT STARTED"),
        "                  with the command line \"%s\"," % start.report.get("command_line", "(no report)"),
        "                  and it read the instance file: %s" % start.report.get("instance_check", "(no report)"),
    ]
    return lines


def story_problems(first, second):
    """What the two starts should have done and did not."""
    checks = [
        (first.exit_code == 0 and second.exit_code == 0, "a start did not end with exit code 0"),
        (not first.error_lines and not second.error_lines, "a start wrote to its error log"),
        (len(first.repairs()) == 3 and set(second.repairs()) <= set(REPAIRED_AGAIN_UNDER_WINE),
         "the first start did not repair all three places, or the second repaired what Wine keeps"),
        (first.installed_entries() and not second.installed_entries(),
         "the first start installed no update, or the second installed again"),
        (first.runtimes_installed() and second.runtimes_current(),
         "the runtime was not installed by the first start and found by the second"),
        (first.assemblies_installed() and not second.assemblies_installed(), "the COM assembly was not installed "
                                                                             "once"),
        (first.shortcuts() and not second.shortcuts(), "the shortcuts were not created once"),
        (first.cache_copies() and not second.cache_copies(), "the cache was not filled once"),
        (all(s.report.get("instance_check") == "ok" for s in (first, second)),
         "the main program did not read a sound instance file at each start"),
    ]
    return [problem for held, problem in checks if not held]


def write_details(machine, installation, path):
    """What a curious administrator looks at next, in one text file."""
    out = []

    def heading(text):
        out.append("\n=== %s %s" % (text, "=" * max(0, 70 - len(text))))

    heading("Registry after the starts")
    for key, name in ((COMPANY_KEY, "_icode"), (LAUNCHER_KEY, "Debug"), (LAUNCHER_KEY, "LastRunFrom")):
        out.append("%s  %s = %s" % (key, name, " ".join(machine.reg_query(key, name) or ("(missing)",))))
    heading("Folders (empty ones end with a backslash)")
    for folder in (PROGRAM_DATA, CACHE_PARENT):
        out.append("%s%s" % (folder, "" if machine.exists(folder) else "  (missing)"))
        out.extend("  " + name for name in sorted(_files(machine, folder, empty_folders=True)))
    heading("Files on the share " + installation.folder)
    out.extend("  " + name for name in sorted(_files(machine, installation.folder)))
    heading("Shortcuts, as lnkinfo reads them")
    links = [START_MENU + "\\" + name for name in sorted(_files(machine, START_MENU))]
    links += [installation.folder + "\\" + name for name in sorted(_files(machine, installation.folder))
              if name.endswith(".LNK")]
    for link in links:
        fields = read_link(machine.host_path(link))
        out.append("%s\n  -> %s %s  (in %s; icon %s,%s)\n  %s" % (
            link, fields.get("Local path"), fields.get("Command line arguments"), fields.get("Working directory"),
            fields.get("Icon location"), fields.get("Icon index"), fields.get("Description")))
    if machine.exists(STANDIN_RECORD):
        heading("What the stand-ins were given (program, parameters, outcome)")
        out.append(machine.read_bytes(STANDIN_RECORD).decode("latin-1").replace("\r\n", "\n").rstrip("\n"))
    with open(path, "w", encoding="utf-8") as f:
        f.write("\n".join(out).lstrip("\n") + "\n")


def _files(machine, folder, empty_folders=False):
    root = machine.host_path(folder)
    for directory, folders, names in os.walk(root):
        for name in names:
            yield os.path.relpath(os.path.join(directory, name), root).replace("/", "\\")
        if empty_folders and not folders and not names and directory != root:
            yield os.path.relpath(directory, root).replace("/", "\\") + "\\"


def run_demo(archive, output):
    with WineMachine("demo", display=True) as machine:
        machine.add_drive("n", network=True)
        installation = lay_out(machine, archive)
        first = Start("first-start", installation, output)
        first.run()
        second = Start("second-start", installation, output)
        second.run()
        write_details(machine, installation, os.path.join(output, "details.txt"))

    summary = summarise(first, ARGUMENTS) + [""] + summarise(second, ARGUMENTS)
    problems = story_problems(first, second)
    summary += [""] + (["Not as expected: " + problem for problem in problems] or
                       ["Both starts did what they should."])
    summary += ["", "Everything is in %s:" % output]
    for start in (first, second):
        summary.append("  %s/  %s" % (start.name, "  ".join(sorted(os.listdir(start.folder)))))
    summary.append("  details.txt  (registry, folders, share, shortcuts, what the stand-ins were given)")
    with open(os.path.join(output, "summary.txt"), "w", encoding="utf-8") as f:
        f.write("\n".join(summary) + "\n")
    print("\n".join(summary))
    return 1 if problems else 0


def main():
    parser = argparse.ArgumentParser(description="Two starts of the launcher on a clean machine.")
    parser.add_argument("--output", default=DEMO_DIR, help="the folder for logs, screenshots and the summary")
    output = os.path.abspath(parser.parse_args().output)
    shutil.rmtree(output, ignore_errors=True)
    os.makedirs(output)
    scratch = tempfile.mkdtemp(prefix="ovwin-demo-")
    try:
        return run_demo(sample_archive(scratch), output)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)


if __name__ == "__main__":
    sys.exit(main())
