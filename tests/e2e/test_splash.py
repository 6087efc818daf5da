"""The splash window of a start, as a user watching the screen sees it: its
place and size, its texts drawn over the background picture and its bar
moving step by step, with the steps the debug log records. The silent
start, which shows none, is a scenario of the start-up sequence, and the
preload's splash one of the start-up options."""

import os
import unittest

from bitmap import read_bmp
from launcher_scenarios import STANDARD_STATUS, STANDARD_STEPS, Installation
from winemachine import WIN_BUILD_DIR, WineError, WineMachine, save_picture

SPLASH_TITLE = "Initializing Brisel"
BACKGROUND = os.path.join(WIN_BUILD_DIR, "ovwin_exe", "art", "splash.bmp")

# Bands of the client area (left, top, right, bottom): where the splash
# writes its three texts, and where the picture must show untouched.
STATUS_BAND = (0, 160, 550, 186)
SUB_STATUS_BAND = (0, 200, 550, 216)
COPYRIGHT_BAND = (0, 260, 550, 280)
UNTOUCHED_BANDS = [(0, 0, 550, 160), (0, 188, 550, 199), (0, 218, 550, 234), (0, 252, 550, 259)]

def differences(shot, picture, band):
    left, top, right, bottom = band
    return sum(1 for y in range(top, min(bottom, shot.height, picture.height))
               for x in range(left, min(right, shot.width, picture.width))
               if shot.pixel(x, y) != picture.pixel(x, y))


def differing_columns(shot, picture, band):
    """The first and last columns of the band where the shot differs."""
    left, top, right, bottom = band
    columns = [x for x in range(left, right) if any(shot.pixel(x, y) != picture.pixel(x, y)
                                                    for y in range(top, bottom))]
    return columns[0], columns[-1]


def sub_status_messages(messages):
    return [m[len("UpdateSubStatus: "):] for m in messages if m.startswith("UpdateSubStatus: ")]


class StandardStart(unittest.TestCase):
    def test_splash_shows_each_step_in_place(self):
        picture = read_bmp(BACKGROUND)
        with WineMachine(self.id(), display=True) as machine:
            installation = Installation(machine)
            installation.add_main_program()
            # Watching the bar from before the window appears.
            progress = machine.start_uiprobe("progress", SPLASH_TITLE, "30000")
            started = installation.start("-d")
            self.assertEqual(machine.uiprobe("wait", SPLASH_TITLE, "30000", check=False)[0], 0)
            info = machine.window_info(SPLASH_TITLE)
            controls = machine.controls(SPLASH_TITLE)
            shots = []
            while started.running():
                try:
                    shots.append(machine.screenshot(SPLASH_TITLE, "splash-standard-start-%02d" % len(shots)))
                except WineError:
                    break  # the launcher has closed its splash
            result = started.wait(60)
            positions = [int(line) for line in progress()[1].split()]
            messages = installation.texts()
        self.assertEqual(result.exit_code, 0)

        # Its size is the picture's; it stands in the middle of the screen.
        self.assertEqual(info["client"], "550,280")
        left, top, right, bottom = (int(v) for v in info["rect"].split(","))
        screen_width, screen_height = (int(v) for v in info["screen"].split(","))
        self.assertEqual((right - left, bottom - top), (550, 280))
        self.assertEqual((left, top), (screen_width // 2 - 275, screen_height // 2 - 140))
        self.assertEqual(info["owner"], "no")

        self.assertEqual(len(controls), 1)
        bar = controls[0]
        self.assertEqual((bar["class"], bar["style"], bar["rect"]),
                         ("msctls_progress32", "0x50000001", "18,235,534,251"))

        # The bar, watched all through the start, shows each step's position
        # once and in order (and may be seen empty before the first step).
        self.assertEqual([p for p in positions if p != 0], [1, 10, 20, 30, 50, 70, 80, 90, 100], positions)
        self.assertNotIn(0, positions[1:], positions)

        # Every picture taken while it ran: the texts centred in their
        # rectangles over an untouched background.
        painted = [shot for shot in shots if differences(shot, picture, UNTOUCHED_BANDS[0]) == 0]
        self.assertGreaterEqual(len(painted), 4, "too few screenshots of the painted splash")
        for number, shot in enumerate(painted):
            with self.subTest(shot=number):
                self.assertEqual((shot.width, shot.height), (550, 280))
                self.assertGreater(differences(shot, picture, STATUS_BAND), 200)
                self.assertGreater(differences(shot, picture, COPYRIGHT_BAND), 100)
                for band in UNTOUCHED_BANDS:
                    self.assertEqual(differences(shot, picture, band), 0, band)
                # Centred on their rectangles, which run from x 10 to 550.
                for band in (STATUS_BAND, COPYRIGHT_BAND):
                    first, last = differing_columns(shot, picture, band)
                    self.assertAlmostEqual((first + last) / 2, 280, delta=4)
        # Once the steps have begun, a sub-status line stands under the status.
        self.assertGreater(differences(painted[-1], picture, SUB_STATUS_BAND), 100)
        save_picture(painted[-1], "splash-standard-start")

        # The debug log names the steps the splash showed, in their order.
        self.assertIn("UpdateStatus: " + STANDARD_STATUS, messages)
        self.assertEqual(sub_status_messages(messages), STANDARD_STEPS)


if __name__ == "__main__":
    unittest.main()
