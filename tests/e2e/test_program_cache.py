"""The program cache: a launcher on another drive than Windows has the main
program and its companions copied into the user's "_tcache1" folder, keeps
them current there and starts the main program from it; the preload start
never copies."""

import calendar
import os
import re
import shutil
import unittest

from launcher_scenarios import (CACHE, CACHE_PARENT, ERROR_LOG, LAUNCHER_KEY, PRELOAD_LOG, PROGRAM_FILES, Installation,
                                main_program_report)
from winemachine import DIST_DIR, WineMachine, relay_calls

TPE_FILES = ["engine.tpe", "tariffs.tpe"]
SHARE_FOLDER = r"N:\Brisel"
REPORT = "verozar1-report.txt"
# 2024-03-05 10:20:30.1234567 UTC; the files lie a minute apart from there.
FIRST_TIME_NS = calendar.timegm((2024, 3, 5, 10, 20, 30)) * 10**9 + 123456700
MINUTE_NS = 60 * 10**9
# The sample main program closes its window at once, so the next start can
# open its file in the cache.
QUICK_MAIN_PROGRAM = {"VEROZAR1_CLOSE_AFTER_MS": "100"}


def lay_down_program(machine, folder):
    """The sample main program, ten small companions and two peripheral
    engine files in an installation folder; returns the Installation."""
    installation = Installation(machine, folder)
    installation.add_program_data()
    for index, name in enumerate(PROGRAM_FILES):
        if name == "verozar1.exe":
            machine.copy_in(os.path.join(DIST_DIR, "samples", "verozar1.exe"), folder)
        else:
            machine.write_file(folder + "\\" + name, "%s, first edition\r\n" % name)
        set_time(installation.path(name), FIRST_TIME_NS + index * MINUTE_NS)
    for index, name in enumerate(TPE_FILES):
        machine.write_file(folder + "\\tpe\\" + name, "peripheral engine " + name)
        set_time(installation.path("tpe\\" + name), FIRST_TIME_NS - (index + 1) * MINUTE_NS)
    os.makedirs(machine.host_path(CACHE_PARENT), exist_ok=True)
    return installation


def set_time(path, time_ns):
    os.utime(path, ns=(time_ns, time_ns))


def rewrite(path, time_ns):
    """New contents of the same size, with a new last-write time."""
    with open(path, "rb") as f:
        size = len(f.read())
    with open(path, "wb") as f:
        f.write(b"changed".ljust(size, b"."))
    set_time(path, time_ns)


def copying(name):
    return 'InstallFileName: Copying "%s\\%s" to "%s\\%s"' % (SHARE_FOLDER, name, CACHE, name)


def failed(name):
    return 'InstallFileName: Failed to copy "%s\\%s" to "%s\\%s"' % (SHARE_FOLDER, name, CACHE, name)


def copy_lines(installation, log_name=None):
    texts = installation.texts(log_name) if log_name else installation.texts()
    return [text for text in texts if text.startswith("InstallFileName:")]


class ProgramCache(unittest.TestCase):
    def test_launcher_on_a_second_drive_fills_the_cache_then_copies_only_what_changed(self):
        with WineMachine(self.id()) as machine:
            machine.add_drive("n")
            installation = lay_down_program(machine, SHARE_FOLDER)
            installation.set_debug_level(1)
            cache = lambda name: machine.host_path(CACHE + "\\" + name)

            # First start: the cache (made already by the runtime step, for
            # the installers' logs) gets its "tpe" folder and every file is
            # copied with its time to the 100 ns.
            result, _ = installation.run("-s -i -d go", env=QUICK_MAIN_PROGRAM)
            self.assertEqual(result.exit_code, 0)
            texts = installation.texts()
            self.assertIn("InstallRedistFiles: Creating cache folder...", texts)
            self.assertNotIn("InstallVErozarFiles: Creating cache folder...", texts)
            self.assertIn("InstallVErozarFiles: Creating TPE cache folder...", texts)
            tpe = ["tpe\\" + name for name in TPE_FILES]
            lines = copy_lines(installation)
            self.assertEqual(lines[:11], [copying(name) for name in PROGRAM_FILES])
            self.assertEqual(sorted(lines[11:]), [copying(name) for name in tpe])
            for name in PROGRAM_FILES + tpe:
                source, copy = os.stat(installation.path(name)), os.stat(cache(name))
                self.assertEqual(copy.st_mtime_ns, source.st_mtime_ns, name)
                self.assertTrue(_same_bytes(installation.path(name), cache(name)), name)

            # The main program ran from the cache, in the launcher's folder,
            # with the instance file beside it.
            self.assertIn("ExecuteProcessEx:    -> (%s) %s\\verozar1.exe %s\\instance.t1 GO" % (
                SHARE_FOLDER, CACHE, CACHE), texts)
            report = main_program_report(cache(REPORT))
            self.assertEqual(report["first_token"], CACHE + "\\instance.t1")
            self.assertEqual(report["instance_check"], "ok")
            self.assertEqual(report["current_folder"], SHARE_FOLDER)
            self.assertFalse(installation.exists("instance.t1"))
            self.assertEqual(installation.log(ERROR_LOG, missing_ok=True), [])
            machine.wait_for_exit("verozar1.exe")

            # Second start, nothing changed: nothing is copied, and the main
            # program runs from the cache without an instance file too.
            os.remove(cache(REPORT))
            result, _ = installation.run("-s -d", env=QUICK_MAIN_PROGRAM)
            self.assertEqual(result.exit_code, 0)
            self.assertEqual(copy_lines(installation), [])
            self.assertNotIn("InstallVErozarFiles: Creating cache folder...", installation.texts())
            self.assertEqual(main_program_report(cache(REPORT))["first_token"], installation.launcher)
            machine.wait_for_exit("verozar1.exe")

            # Third start: a file rewritten within its minute stays as it was
            # cached, one rewritten a minute later is copied; a source gone
            # leaves its cached copy alone, without a line, unless that copy
            # is gone too; a folder in "tpe" is copied like a file and fails.
            first = os.stat(installation.path("ovwin.chm")).st_mtime_ns
            rewrite(installation.path("ovwin.chm"), first + 25 * 10**9)
            second = os.stat(installation.path("oktov.chm")).st_mtime_ns
            rewrite(installation.path("oktov.chm"), second + MINUTE_NS)
            os.remove(installation.path("readme.htm"))
            os.remove(installation.path("ovw_sp.chm"))
            os.remove(cache("ovw_sp.chm"))
            os.mkdir(installation.path("tpe\\plans"))
            result, _ = installation.run("-s -d", env=QUICK_MAIN_PROGRAM)
            self.assertEqual(result.exit_code, 0)
            self.assertEqual(copy_lines(installation), [
                copying("oktov.chm"), copying("ovw_sp.chm"), failed("ovw_sp.chm"),
                copying("tpe\\plans"), failed("tpe\\plans")])
            self.assertEqual(copy_lines(installation, ERROR_LOG), [failed("ovw_sp.chm"), failed("tpe\\plans")])
            self.assertIn("*** Brisel Launch Successful. There were 2 non-fatal errors during startup. ***",
                          installation.texts())
            self.assertFalse(_same_bytes(installation.path("ovwin.chm"), cache("ovwin.chm")))
            self.assertTrue(_same_bytes(installation.path("oktov.chm"), cache("oktov.chm")))
            self.assertEqual(os.stat(cache("oktov.chm")).st_mtime_ns, second + MINUTE_NS)
            self.assertTrue(os.path.exists(cache("readme.htm")))
            machine.wait_for_exit("verozar1.exe")

            # The profile beside the launcher: a RunLocal other than "TRUE" in
            # any letter case keeps the main program where it is, a RunOPELocal
            # of "true" still caches the peripheral engine files.
            machine.write_file(SHARE_FOLDER + "\\ov_main.ini", "[FileAccess]\r\nRunLocal=YES\r\nRunOPELocal=true\r\n")
            rewrite(installation.path("oktov.chm"), second + 2 * MINUTE_NS)
            os.rmdir(installation.path("tpe\\plans"))
            machine.write_file(SHARE_FOLDER + "\\tpe\\zones.tpe", "peripheral engine zones.tpe")
            result, _ = installation.run("-s -d", env=QUICK_MAIN_PROGRAM)
            self.assertEqual(result.exit_code, 0)
            self.assertEqual(copy_lines(installation), [copying("tpe\\zones.tpe")])
            self.assertIn("ExecuteProcessEx:    -> (%s) %s\\verozar1.exe %s " % (
                SHARE_FOLDER, SHARE_FOLDER, installation.launcher), installation.texts())
            self.assertEqual(main_program_report(installation.path(REPORT))["first_token"], installation.launcher)

    def test_preload_never_copies_and_records_that_the_cache_is_not_used(self):
        with WineMachine(self.id()) as machine:
            machine.add_drive("n", network=True)  # an administrator's share
            on_share = lay_down_program(machine, SHARE_FOLDER)
            on_windows_drive = lay_down_program(machine, r"C:\Program Files\Altavy\Orvanta")
            machine.reg_add(LAUNCHER_KEY, "UsingTCache", "REG_DWORD", 1)
            env = machine.relay_env(["KERNEL32.CreateFileA", "KERNEL32.CopyFileA"])

            # From the share the drive test fails: each file is only opened
            # and read, in the launcher's order.
            result, _ = on_share.run("-s preload", env=env)
            self.assertEqual(result.exit_code, 0)
            calls = relay_calls(result.stderr)
            self.assertEqual([call for call in calls if call[0].endswith("CopyFileA")], [])
            opened = [path for path in _opened_files(calls) if path.startswith(SHARE_FOLDER + "\\")]
            self.assertEqual(opened[:11], ["%s\\%s" % (SHARE_FOLDER, name) for name in PROGRAM_FILES])
            self.assertEqual(sorted(opened[11:]), ["%s\\tpe\\%s" % (SHARE_FOLDER, name) for name in TPE_FILES])
            self.assertEqual(machine.reg_query(LAUNCHER_KEY, "UsingTCache"), ("REG_DWORD", "0x0"))
            self.assertIn("UpdateStatus: Brisel System Ready For Use", on_share.texts(PRELOAD_LOG))

            # On the Windows drive the drive test holds, but the cache is
            # only ever used from another drive: nothing is opened either.
            machine.reg_add(LAUNCHER_KEY, "UsingTCache", "REG_DWORD", 1)
            result, _ = on_windows_drive.run("-s preload", env=env)
            self.assertEqual(result.exit_code, 0)
            calls = relay_calls(result.stderr)
            self.assertEqual([call for call in calls if call[0].endswith("CopyFileA")], [])
            self.assertEqual([path for path in _opened_files(calls) if "Orvanta\\" in path], [])
            self.assertEqual(machine.reg_query(LAUNCHER_KEY, "UsingTCache"), ("REG_DWORD", "0x0"))

            self.assertFalse(machine.exists(CACHE))
            for installation in (on_share, on_windows_drive):
                self.assertEqual(copy_lines(installation, PRELOAD_LOG), [])


def _same_bytes(path, other):
    with open(path, "rb") as f, open(other, "rb") as g:
        return f.read() == g.read()


def _opened_files(calls):
    """The paths CreateFileA was called with, in order."""
    paths = []
    for function, arguments, _ in calls:
        quoted = re.search(r'"((?:[^"\\]|\\.)*)"', arguments)
        if function.endswith("CreateFileA") and quoted:
            paths.append(re.sub(r"\\(.)", r"\1", quoted.group(1)))
    return paths


if __name__ == "__main__":
    unittest.main()
