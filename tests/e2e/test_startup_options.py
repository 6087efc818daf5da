"""The command line, the launcher key and the logs, as a support engineer
sees them: which mode runs, what the logs say, what the registry keeps."""

import time
import unittest

from launcher_scenarios import (DEBUG_LOG, ERROR_LOG, LAUNCHER_KEY_PATH, PRELOAD_LOG, PRELOAD_PAUSES, Installation,
                                header_lines)
from winemachine import WineMachine

HELP_TEXT = ("OVWIN.EXE [-?] [-d] [-kl] [-s] [-i] [-r]\n\n[-? ] Show command line help\n[-d] Enable debug logging\n"
             "[-kl] Append to logs (instead of overwriting)\n[-s] Silent mode\n[-i] Use Instance File\n"
             "[-r] Repair mode\n")
HELP_CAPTION = "OVWin Launcher Command Line Help"
PRELOAD_TITLE = "Brisel System Check"


class HelpBox(unittest.TestCase):
    def test_help_is_shown_before_any_log_is_touched(self):
        with WineMachine(self.id(), display=True) as machine:
            installation = Installation(machine)
            installation.set_debug_level(100)  # logging would be on
            for arguments in ("-?", "? -d list"):
                started = installation.start(arguments)
                self.assertEqual(machine.uiprobe("wait", HELP_CAPTION, "20000")[0], 0, arguments)
                controls = machine.controls(HELP_CAPTION)
                if arguments == "-?":
                    machine.screenshot(HELP_CAPTION, "help-box")
                texts = {c["id"]: c["text"] for c in controls}
                self.assertEqual(texts[0xFFFF].rstrip("\n"), HELP_TEXT.rstrip("\n"))
                buttons = [c["id"] for c in controls if c["class"].lower() == "button"]
                self.assertEqual(buttons, [1])  # OK alone
                machine.uiprobe("click", HELP_CAPTION, "1")
                self.assertEqual(started.wait(60).exit_code, 0)
                for log in (DEBUG_LOG, ERROR_LOG, PRELOAD_LOG):
                    self.assertFalse(installation.exists(log), "%s after %r" % (log, arguments))


class LogsAndModes(unittest.TestCase):
    def test_developer_level_lists_every_argument(self):
        with WineMachine(self.id()) as machine:
            installation = Installation(machine)
            result, _ = installation.run('-d100 list -xyz "-list" re-place -i "x y"')
            self.assertEqual(result.exit_code, 0)
            dump = [(tag, indent, text) for tag, indent, text in installation.messages()
                    if text.startswith("Arg ") or text.startswith("There are ")]
            self.assertEqual(dump, [
                ("DEBUG X ", 3, "Arg 0: [d100]\tName=[d100] Value=[]\tDeveloper Debug Logging"),
                ("DEBUG X ", 3, "Arg 1: [list]\tName=[list] Value=[]\tRating Engine Command"),
                ("DEBUG X ", 3, "Arg 2: [xyz]\tName=[xyz] Value=[]\tRating Engine Command"),
                ("DEBUG X ", 3, "Arg 3: [-list]\tName=[-list] Value=[]\tUnrecognized Parameter"),
                ("DEBUG X ", 3, "Arg 4: [replace]\tName=[replace] Value=[]\tRating Engine Command"),
                ("DEBUG X ", 3, "Arg 5: [i]\tName=[i] Value=[]\tUsing Instance File"),
                ("DEBUG X ", 3, "Arg 6: [x y]\tName=[x] Value=[y]\tRating Engine Command"),
                ("DEBUG X ", 3, "There are 4 rating engine commands on the command line."),
            ])
            self.assertIn("Initialize: Diagnostic Logging Enabled (LogLevel: 100)", installation.texts())

    def test_mode_words_are_tried_list_then_replace_then_preload_and_never_in_quotes(self):
        with WineMachine(self.id(), display=True) as machine:
            installation = Installation(machine)
            for arguments in ("-d replace list", "-d -LIST", "-d PreLoad List"):
                result, _ = installation.run(arguments)
                self.assertEqual(result.exit_code, 0, arguments)
                log = PRELOAD_LOG if "reload" in arguments else DEBUG_LOG
                self.assertIn("Create File List.", installation.texts(log), arguments)

            # "preload replace" runs the replace mode, with the preload mode's log.
            started = installation.start("-d preload replace")
            self.assertEqual(machine.uiprobe("wait", installation.launcher, "20000")[0], 0)
            texts = {c["id"]: c["text"] for c in machine.controls(installation.launcher)}
            self.assertEqual(texts[0xFFFF], "System files successfully replaced!")
            machine.uiprobe("click", installation.launcher, "1")
            self.assertEqual(started.wait(60).exit_code, 0)
            self.assertNotIn("Create File List.", installation.texts(PRELOAD_LOG))
            self.assertIn("Ending launcher application with exit code 0.", installation.texts(PRELOAD_LOG))

            # A quoted "-list" is no mode word: a standard start, with no main
            # program to start.
            self.assertEqual(installation.run('-d -s "-list"')[0].exit_code, 110)
            self.assertNotIn("Create File List.", installation.texts())
            self.assertIn("WinMain: Standard Start.", installation.texts())

    def test_logs_start_with_the_exact_header_and_are_replaced_unless_appending(self):
        with WineMachine(self.id()) as machine:
            installation = Installation(machine)
            machine.write_file(installation.folder + "\\" + ERROR_LOG, "earlier error\r\n")
            for _ in range(2):
                self.assertEqual(installation.run("-d -kl list")[0].exit_code, 0)
            self.assertEqual(installation.texts().count("Initialize: Command Line: -d -kl list"), 2)
            self.assertEqual(installation.log(ERROR_LOG), ["earlier error"])

            self.assertEqual(installation.run("-d list")[0].exit_code, 0)
            messages = installation.messages()
            texts = installation.texts()
            self.assertEqual(messages[:6], header_lines())
            self.assertEqual(texts[6:9], [
                "Initialize: Command Line: -d list", "Initialize: Discovered 2 arguments on command line.",
                "Initialize: Diagnostic Logging Enabled (LogLevel: 1)"])
            self.assertIn('Initialize: Application executing from "%s\\".' % installation.folder, texts)
            self.assertIn("Mapped Drive(s) Present:", texts)
            self.assertIn("Create File List.", texts)
            self.assertEqual(texts[-3:], ["DisposeApp: Disposing of resources.",
                                          "DisposeCOM: Standard COM library disposed.",
                                          "Ending launcher application with exit code 0."])
            self.assertFalse(any(tag == "DEBUG X " for tag, _, _ in messages))
            # No "Debug" value in a fresh machine: counted, but before the
            # logs were open, so nothing stands in the error log.
            self.assertEqual(installation.log(ERROR_LOG, missing_ok=True), [])

    def test_preload_shows_its_splash_and_writes_its_own_fresh_log_at_level_one(self):
        with WineMachine(self.id(), display=True) as machine:
            installation = Installation(machine)
            installation.add_program_data()
            machine.write_file(installation.folder + "\\" + ERROR_LOG, "earlier error\r\n")
            machine.write_file(installation.folder + "\\" + PRELOAD_LOG, "earlier preload\r\n")
            began = time.monotonic()
            started = installation.start("-d100 preload")
            self.assertEqual(machine.uiprobe("wait", PRELOAD_TITLE, "30000", check=False)[0], 0)
            info = machine.window_info(PRELOAD_TITLE)
            kinds = [control["class"] for control in machine.controls(PRELOAD_TITLE)]
            machine.screenshot(PRELOAD_TITLE, "splash-preload")
            self.assertEqual(started.wait(60).exit_code, 0)
            self.assertGreaterEqual(time.monotonic() - began, PRELOAD_PAUSES)
            self.assertEqual((info["client"], kinds), ("550,280", ["msctls_progress32"]))
            messages = installation.messages(PRELOAD_LOG)
            self.assertEqual(messages[:6], header_lines())
            self.assertFalse(any(tag == "DEBUG X " for tag, _, _ in messages))
            self.assertEqual(installation.log(ERROR_LOG), ["earlier error"])
            self.assertFalse(installation.exists(DEBUG_LOG))
            status = [text for text in installation.texts(PRELOAD_LOG) if text.startswith("Update")]
            self.assertEqual(status, [
                "UpdateStatus: Brisel System Check",
                "UpdateSubStatus: Inspecting operating system environment...",
                "UpdateSubStatus: Inspecting Configuration...",
                "UpdateSubStatus: Checking for required updates...",
                "UpdateSubStatus: Validating Altavy Fonts...",
                "UpdateSubStatus: Validating Brisel executables...",
                "UpdateSubStatus: Validating Brisel Peripheral Engine files...",
                "UpdateStatus: Brisel System Ready For Use",
            ])
            self.assertEqual(machine.reg_raw(LAUNCHER_KEY_PATH, "UsingTCache"), (4, b"\0\0\0\0"))


class LauncherKey(unittest.TestCase):
    def test_registry_level_turns_logging_on_which_no_switch_lowers_and_working_folder_is_saved_whole(self):
        with WineMachine(self.id()) as machine:
            installation = Installation(machine)
            installation.set_debug_level(1)
            result, _ = installation.run("list")
            self.assertEqual(result.exit_code, 0)
            self.assertIn("Initialize: Diagnostic Logging Enabled from Registry (LogLevel: 1)", installation.texts())

            kind, data = machine.reg_raw(LAUNCHER_KEY_PATH, "LastRunFrom")
            self.assertEqual(kind, 1)  # REG_SZ
            self.assertEqual(len(data), 260)
            folder = installation.folder.encode("latin-1")
            self.assertEqual(data[:len(folder)], folder)
            self.assertEqual(data[len(folder):], bytes(260 - len(folder)))

            # A switch cannot lower the registry's level.
            installation.set_debug_level(100)
            self.assertEqual(installation.run("-d list")[0].exit_code, 0)
            texts = installation.texts()
            self.assertIn("Initialize: Diagnostic Logging Enabled from Registry (LogLevel: 100)", texts)
            self.assertTrue(any(text.startswith("Arg 0: [d]") for text in texts))


if __name__ == "__main__":
    unittest.main()
