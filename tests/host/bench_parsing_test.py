"""What the benchmark reads from Wine's traces and how it sums up samples:
the update step's time between its pauses, the bytes read from one folder,
ratios of interleaved pairs, the growth exponent and the chart."""

import os
import sys
import unittest
import xml.etree.ElementTree as ElementTree

sys.path.insert(0, os.path.join(os.path.dirname(__file__), "..", "..", "bench"))

import bench_report  # noqa: E402
import wine_traces  # noqa: E402

# A relay trace as Wine writes it with +relay,+timestamp: the launcher's
# thread 0104 and, in between, the main program's thread 0120.
RELAY = """\
1000.000:0104:Call KERNEL32.Sleep(000001f4) ret=140002175
1000.500:0104:Ret  KERNEL32.Sleep() retval=00000000 ret=140002175
1000.510:0104:Call KERNEL32.Sleep(00000064) ret=140016ab6
1000.610:0104:Ret  KERNEL32.Sleep() retval=00000000 ret=140016ab6
1000.620:0104:Call KERNEL32.Sleep(000001f4) ret=1400025aa
1001.120:0104:Ret  KERNEL32.Sleep() retval=00000000 ret=1400025aa
1001.125:0104:Call KERNEL32.GetFileSizeEx(00000084,0021f3c0) ret=14000b1e2
1001.126:0104:Ret  KERNEL32.GetFileSizeEx() retval=00000001 ret=14000b1e2
1001.200:0120:Call KERNEL32.Sleep(00000010) ret=140001000
1001.372:0104:Call KERNEL32.Sleep(0000012c) ret=1400025d6
1001.672:0104:Ret  KERNEL32.Sleep() retval=00000000 ret=1400025d6
"""


class UpdateStepTime(unittest.TestCase):
    def test_the_step_runs_from_the_pause_before_the_archive_to_the_next_pause(self):
        self.assertAlmostEqual(wine_traces.update_step_seconds(RELAY), 0.252)

    def test_a_start_that_never_or_twice_opens_the_archive_is_refused(self):
        opening = [line for line in RELAY.splitlines() if "GetFileSizeEx" in line][0]
        for trace in (RELAY.replace(opening + "\n", ""), RELAY + opening + "\n"):
            with self.assertRaises(wine_traces.TraceError):
                wine_traces.update_step_seconds(trace)

    def test_a_step_without_a_pause_after_it_is_refused(self):
        cut = RELAY[:RELAY.index("1001.372")]
        with self.assertRaises(wine_traces.TraceError):
            wine_traces.update_step_seconds(cut)


def opened(thread, name, handle):
    return ('%s:trace:file:CreateFileW L"%s" GENERIC_READ  creation 3 attributes 0x80\n'
            '%s:trace:file:NtCreateFile handle=0x21e8d8 access=80100080 name=L"%s" objattr=00000040\n'
            '%s:trace:file:CreateFileW returning %016X\n' % (thread, name.split("\\")[-1], thread,
                                                          name.replace("\\", "\\\\"), thread, handle))


def read(thread, handle, asked, got=None):
    line = "%s:trace:file:NtReadFile (0x%x,(nil),(nil),(nil),0x21e9c0,0x21ea70,0x%08x,(nil),(nil))\n" % (
        thread, handle, asked)
    if got is not None:
        line += "%s:trace:file:NtReadFile = SUCCESS (%d)\n" % (thread, got)
    return line


class ReadsBelowAFolder(unittest.TestCase):
    SHARE = "N:\\Altavy\\Orvanta"

    def tally(self, trace):
        return wine_traces.bytes_read_below(trace, self.SHARE)

    def test_reads_count_by_the_full_name_their_handle_was_opened_with(self):
        trace = (opened("00e0", "\\??\\N:\\Altavy\\Orvanta\\verozar0.dll", 0x7c) + read("00e0", 0x7c, 100, 100) +
                 read("00e0", 0x7c, 400, 400) +
                 opened("00e0", "\\??\\n:\\altavy\\orvanta\\tpe\\rates.tpe", 0x80) + read("00e0", 0x80, 64, 10) +
                 opened("00e0", "\\??\\C:\\windows\\system32\\tzres.dll", 0x84) + read("00e0", 0x84, 512, 512) +
                 opened("00e0", "\\??\\N:\\Altavy\\Orvanta2\\other.dll", 0x88) + read("00e0", 0x88, 9, 9))
        self.assertEqual(self.tally(trace), (510, {"verozar0.dll": 500, "tpe\\rates.tpe": 10}))

    def test_a_failed_read_counts_nothing(self):
        trace = opened("00e0", "\\??\\N:\\Altavy\\Orvanta\\verozar0.dll", 0x7c) + read("00e0", 0x7c, 100)
        self.assertEqual(self.tally(trace).total, 0)

    def test_handles_belong_to_their_thread_and_a_reused_handle_to_its_new_file(self):
        trace = (opened("00e0", "\\??\\N:\\Altavy\\Orvanta\\verozar0.dll", 0x7c) + read("0120", 0x7c, 50, 50) +
                 opened("00e0", "\\??\\C:\\windows\\win.ini", 0x7c) + read("00e0", 0x7c, 70, 70) +
                 opened("00e0", "\\??\\N:\\Altavy\\Orvanta\\ov_main.ini", 0x7c) + read("00e0", 0x7c, 30, 30))
        self.assertEqual(self.tally(trace), (30, {"ov_main.ini": 30}))


class Figures(unittest.TestCase):
    def test_pairs_give_one_ratio_each_and_must_match(self):
        self.assertEqual(bench_report.paired_ratios([2.0, 3.0], [1.0, 2.0]), [2.0, 1.5])
        self.assertEqual(bench_report.spread([3.0, 1.0, 2.0]), {"median": 2.0, "min": 1.0, "max": 3.0})
        with self.assertRaises(ValueError):
            bench_report.paired_ratios([1.0], [1.0, 2.0])

    def test_the_growth_exponent_tells_linear_from_quadratic(self):
        entries = [1000, 10000, 65535]
        self.assertAlmostEqual(bench_report.growth_exponent(entries, [n * 4e-4 for n in entries]), 1.0)
        self.assertAlmostEqual(bench_report.growth_exponent(entries, [n * n * 1e-8 for n in entries]), 2.0)

    def test_verdicts_face_the_way_of_their_target(self):
        self.assertEqual(bench_report.verdict(1.4, 1.5), "met")
        self.assertEqual(bench_report.verdict(1.6, 1.5), "MISSED")
        self.assertEqual(bench_report.verdict(0.79, 0.8, higher_is_better=True), "MISSED")

    def test_the_chart_is_an_svg_with_a_marker_for_every_point(self):
        svg = bench_report.growth_chart_svg(
            [("step", "#00f", [(100, 0.05), (1000, 0.4), (65535, 26.0)]), ("start", "#f00", [(100, 6.1), (65535, 32.0)])],
            "Growth & <more>", "entries", "seconds")
        root = ElementTree.fromstring(svg)
        namespace = "{http://www.w3.org/2000/svg}"
        self.assertEqual(len(root.findall(namespace + "circle")), 5)
        self.assertEqual(len(root.findall(namespace + "polyline")), 2)
        self.assertIn("Growth & <more>", [text.text for text in root.findall(namespace + "text")])


if __name__ == "__main__":
    unittest.main()
