#!/usr/bin/env python3
"""`make bench`: measures the launcher side by side with plain Win32 calls,
CopyFileA and tar, in one Wine machine kept warm for the whole run (one
wineserver, and Wine's desktop process kept up as Windows keeps its desktop),
prints a table of ratios and writes build/bench/results.json (every sample)
and build/bench/growth.svg.

Each ratio is taken from interleaved pairs of runs (A, B, A, B, ...), so a
machine that slows down for a while slows both sides of a pair; the table
gives the median of the pairs and their range.

OVWIN_BENCH_RUNS sets the number of pairs (default 5); OVWIN_BENCH_SCRATCH
the folder for the large files (default a folder in /dev/shm when it has
room, else build/bench/scratch).
"""

import datetime
import json
import os
import platform
import re
import shutil
import subprocess
import sys
import tempfile
import time

HERE = os.path.dirname(os.path.abspath(__file__))
REPO = os.path.dirname(HERE)
OUT_DIR = os.path.join(REPO, "build", "bench")
BENCH_PROGRAMS = os.path.join(os.environ.get("OVWIN_WIN_BUILD_DIR", os.path.join(REPO, "build", "win")), "bench")
RUNS = int(os.environ.get("OVWIN_BENCH_RUNS", "5"))
GROWTH_RUNS = max(1, (RUNS + 1) // 2)
SCRATCH_NEEDED = 6 << 30


def _scratch_root():
    chosen = os.environ.get("OVWIN_BENCH_SCRATCH")
    if chosen:
        return chosen
    try:
        stats = os.statvfs("/dev/shm")
        if stats.f_bavail * stats.f_frsize >= SCRATCH_NEEDED:
            return "/dev/shm"
    except OSError:
        pass
    return os.path.join(OUT_DIR, "scratch")


SCRATCH_ROOT = _scratch_root()
# The machine's files live with the other large files: in memory when
# /dev/shm has room, so that no run waits on the disk writing back another's.
os.environ.setdefault("OVWIN_TEST_RUN_DIR", os.path.join(SCRATCH_ROOT, "ovwin-bench-machines"))
sys.path.insert(0, os.path.join(REPO, "tests", "harness"))
sys.path.insert(0, HERE)

import bench_report  # noqa: E402
import wine_traces  # noqa: E402
from tabpack import TABPACK  # noqa: E402
from winemachine import DIST_DIR, WineMachine, wine_version  # noqa: E402

# The pauses of a standard start, and the one of each folder check.
STANDARD_START_PAUSES = 4.7
FOLDER_CHECK_PAUSE = 0.1

SHARE = r"N:\Altavy\Orvanta"
# The same share with a signed archive, started on a machine given the key.
SIGNED_SHARE = r"N:\Altavy\Signed"
LAUNCHER_KEY = r"HKLM\SOFTWARE\Altavy Solutions Inc.\Launcher"
DIGEST_LENGTH = 32
CACHE_PARENT = r"C:\users\root\AppData\Local\Oskelt\Orvanta"
PROGRAM_DATA = r"C:\ProgramData\Altavy"
INSTALL = r"C:\Bench\Install"
# The main program's companions, copied into the cache from the share.
COMPANIONS = ("ovwin.chm", "oktov.chm", "readme.htm", "ovw_sp.chm", "verozar2.dll", "verozar5.dll", "verozar6.exe",
              "verozar7.exe", "verozarx.dll", "verozaru.dll", "tpe\\rates.tpe", "tpe\\zones.tpe")
ENTRY_TIME = 1709280000  # 2024-03-01 08:00 UTC
UPDATE_CHECK_ENTRIES = 2000
GROWTH_ENTRIES = (100, 1000, 10000, 65535)
INSTALL_SIZE = 256 << 20
TAR_SET_SIZE = 1 << 30
TAR_SET_FILES = 2000

TARGETS = {
    "p1": 1.5,
    "p2_level0": 2.0,
    "p2_level1": 5.0,
    "p3": 0.8,
    "p4": 0.9,
    "p5": 1.1,
    "growth": 1.1,
}


class BenchError(RuntimeError):
    pass


def log(text):
    print("bench: " + text, flush=True)


# -- running programs -------------------------------------------------------

class Bench:
    """The machine, the installations in it and the ways to start programs
    there and time them."""

    def __init__(self, machine, scratch):
        self.machine = machine
        self.scratch = scratch

    def wine(self, program, *arguments, debug=None, timeout=600):
        """Runs a Windows program by its Windows path; returns (seconds,
        exit status, standard output, standard error)."""
        env = dict(self.machine.env)
        if debug:
            env["WINEDEBUG"] = debug
        with tempfile.TemporaryFile(dir=self.scratch) as out, tempfile.TemporaryFile(dir=self.scratch) as err:
            started = time.monotonic()
            # Files, not pipes: programs that Wine starts keep inherited
            # pipes open long after the program has ended.
            process = subprocess.Popen(["wine", program, *arguments], env=env, stdin=subprocess.DEVNULL,
                                       stdout=out, stderr=err, cwd=self.scratch)
            process.wait(timeout=timeout)
            seconds = time.monotonic() - started
            out.seek(0)
            err.seek(0)
            return seconds, process.returncode, out.read().decode("latin-1"), err.read().decode("latin-1")

    def launcher(self, folder, *arguments, debug=None):
        seconds, status, out, err = self.wine(folder + "\\ovwin64.exe", *arguments, debug=debug)
        if status != 0:
            raise BenchError("the launcher in %s ended with %d" % (folder, status))
        return seconds, err

    def timed_update_step(self, folder, *arguments):
        """A start whose update step is timed from Wine's relay trace:
        (seconds of the whole start, seconds of the update step)."""
        seconds, trace = self.launcher(folder, *arguments, debug="-all,+relay,+timestamp")
        return seconds, wine_traces.update_step_seconds(trace)

    def bench_program(self, name, *arguments):
        """Runs one of the benchmark's own programs, copied into C:\\Bench;
        returns its key=value output."""
        seconds, status, out, err = self.wine(r"C:\Bench\%s.exe" % name, *arguments)
        if status != 0:
            raise BenchError("%s %s ended with %d: %s%s" % (name, " ".join(arguments), status, out, err))
        return dict(field.split("=", 1) for field in out.split())

    def host(self, windows_path):
        return self.machine.host_path(windows_path)


def build_archive(manifest_lines, manifest_path, archive_path, signing_key=None):
    with open(manifest_path, "w") as f:
        f.write("\n".join(manifest_lines) + "\n")
    signing = ["--sign", signing_key] if signing_key else []
    subprocess.run([TABPACK, "create", *signing, archive_path, manifest_path], check=True, capture_output=True)
    return archive_path


def write_stamped(path, data):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "wb") as f:
        f.write(data)
    os.utime(path, (ENTRY_TIME, ENTRY_TIME))


# -- the installations ----------------------------------------------------

def lay_out_share(bench, share=SHARE, signing_key=None):
    """The launcher on a network drive as administrators deploy it: the main
    program (the trivial program), its companions and peripheral engine
    files, and an archive whose entries are all installed already, signed
    with signing_key when one is given."""
    folder = bench.host(share)
    bench.machine.copy_in(os.path.join(DIST_DIR, "ovwin64.exe"), share)
    with open(os.path.join(BENCH_PROGRAMS, "trivial_program.exe"), "rb") as f:
        write_stamped(os.path.join(folder, "verozar1.exe"), f.read())
    for name in COMPANIONS:
        write_stamped(bench.host(share + "\\" + name), b"A stand-in for %s.\r\n" % name.encode())
    manifest = ["verozar1.exe CUR newer", "verozar2.dll CUR different", "ovwin.chm CUR different",
                "readme.htm CUR doesnotexist"]
    build_archive(manifest, os.path.join(folder, "archive.manifest"), os.path.join(folder, "verozar0.dll"),
                  signing_key)
    os.remove(os.path.join(folder, "archive.manifest"))
    for windows_folder in (PROGRAM_DATA, CACHE_PARENT):
        os.makedirs(bench.host(windows_folder), exist_ok=True)


def entries_folder(count):
    return r"C:\Bench\Entries-%d" % count


def lay_out_entries(bench, count):
    """A launcher and an archive of count entries, all installed beside it
    already: "different" entries, equal in time and size to the installed
    files. Returns the folder."""
    folder = entries_folder(count)
    host = bench.host(folder)
    os.makedirs(host)
    bench.machine.copy_in(os.path.join(DIST_DIR, "ovwin64.exe"), folder)
    shutil.copyfile(os.path.join(BENCH_PROGRAMS, "trivial_program.exe"), os.path.join(host, "verozar1.exe"))
    names = ["e%05d.dat" % i for i in range(1, count + 1)]
    for name in names:
        write_stamped(os.path.join(host, name), name.encode().ljust(64, b"."))
    build_archive(["%s/%s CUR different" % (host, name) for name in names],
                  os.path.join(bench.scratch, "entries-%d.manifest" % count), os.path.join(host, "verozar0.dll"))
    with open(os.path.join(host, "check-list.txt"), "w") as f:
        f.write("".join("%s\\%s\r\n" % (folder, name) for name in names))
    return folder


def lay_out_install(bench):
    """A launcher with one large entry to install, and the same bytes beside
    it as a plain file for CopyFileA."""
    folder = bench.host(INSTALL)
    os.makedirs(folder)
    bench.machine.copy_in(os.path.join(DIST_DIR, "ovwin64.exe"), INSTALL)
    shutil.copyfile(os.path.join(BENCH_PROGRAMS, "trivial_program.exe"), os.path.join(folder, "verozar1.exe"))
    block = os.urandom(1 << 20)
    source = os.path.join(bench.scratch, "large.bin")
    with open(source, "wb") as f:
        for _ in range(INSTALL_SIZE >> 20):
            f.write(block)
    build_archive(["%s CUR always" % source], os.path.join(bench.scratch, "install.manifest"),
                  os.path.join(folder, "verozar0.dll"))
    shutil.copyfile(source, os.path.join(folder, "copy-source.bin"))
    os.remove(source)


def mark_runtimes_installed(machine):
    """The registry marks of installed runtimes, so that the dependency step
    of every start finds nothing to install and shows no box."""
    for architecture in ("x86", "x64"):
        key = r"HKLM\SOFTWARE\Wow6432Node\Microsoft\VisualStudio\14.0\VC\Runtimes" + "\\" + architecture
        machine.reg_add(key, "Installed", "REG_DWORD", 1)
        machine.reg_add(key, "Version", "REG_SZ", "v14.38.33135.00")
    key = r"HKLM\Software\Microsoft\NET Framework Setup\NDP\v4\Full"
    machine.reg_add(key, "Install", "REG_DWORD", 1)
    machine.reg_add(key, "Release", "REG_DWORD", 533325)


# -- the measures -----------------------------------------------------------

def count_folder_checks(bench, folder):
    """The folder checks (each with its pause) a start makes, counted from
    the trace lines of a developer log."""
    bench.launcher(folder, "-s", "-d100")
    with open(bench.host(folder + "\\OvwinDebug.log"), "rb") as f:
        text = f.read().decode("latin-1")
    return text.count("@ DirectoryExists() {")


def measure_overhead(bench):
    checks = count_folder_checks(bench, SHARE)
    pauses = STANDARD_START_PAUSES + FOLDER_CHECK_PAUSE * checks
    trivial, launcher = [], []
    for _ in range(RUNS):
        seconds, status, _, _ = bench.wine(r"C:\Bench\trivial_program.exe")
        if status != 0:
            raise BenchError("the trivial program ended with %d" % status)
        trivial.append(seconds)
        launcher.append(bench.launcher(SHARE, "-s")[0] - pauses)
    ratios = bench_report.paired_ratios(launcher, trivial)
    return {"folder_checks": checks, "pauses_seconds": pauses, "launcher_beyond_pauses_seconds": launcher,
            "trivial_start_seconds": trivial, "ratios": ratios}


def header_size(bench, share):
    with open(bench.host(share + "\\verozar0.dll"), "rb") as f:
        return int.from_bytes(f.read(14)[10:14], "little")


def share_reads(bench, share, expected):
    """Bytes read from the share's folder in starts that find everything up
    to date, at log level 0 and 1, against the bytes expected."""
    result = {}
    for level, arguments in (("level0", ("-s",)), ("level1", ("-s", "-d"))):
        _, trace = bench.launcher(share, *arguments, debug="-all,+file")
        tally = wine_traces.bytes_read_below(trace, share)
        result[level] = {"bytes": tally.total, "by_file": tally.by_file, "ratio": tally.total / expected}
    return result


def measure_signed_share_reads(bench):
    """The same starts from a share whose archive is signed, on a machine
    given the public key: besides the header and records they may read the
    digest table, and nothing of the contents. The key is taken away
    afterwards, as every other measure runs without it."""
    private, public = (os.path.join(bench.scratch, "archive-signing." + ext) for ext in ("pem", "pub"))
    subprocess.run([TABPACK, "keygen", private, public], check=True, capture_output=True)
    lay_out_share(bench, SIGNED_SHARE, private)
    with open(public, "rb") as f:
        bench.machine.reg_add(LAUNCHER_KEY, "ArchivePublicKey", "REG_BINARY", f.read().hex())
    try:
        bench.launcher(SIGNED_SHARE, "-s")  # the first start, as every installation had
        header_and_records = header_size(bench, SIGNED_SHARE)
        table = (header_and_records - 100) // 100 * DIGEST_LENGTH
        result = {"header_and_records_bytes": header_and_records, "digest_table_bytes": table,
                  **share_reads(bench, SIGNED_SHARE, header_and_records + table)}
        with open(bench.host(SIGNED_SHARE + "\\OvwinDebug.log"), "rb") as f:
            if b"signature verified." not in f.read():
                raise BenchError("the signed archive was not verified")
    finally:
        bench.machine.reg_delete(LAUNCHER_KEY, "ArchivePublicKey")
    return result


def measure_share_reads(bench):
    """Bytes read from the launcher's folder in a start that finds
    everything up to date, against the header and record block of its
    archive; and the same with a signed archive and the key."""
    header_and_records = header_size(bench, SHARE)
    return {"header_and_records_bytes": header_and_records, **share_reads(bench, SHARE, header_and_records),
            "signed": measure_signed_share_reads(bench)}


def check_entries_up_to_date(bench, count):
    with open(bench.host(entries_folder(count) + "\\OvwinDebug.log"), "rb") as f:
        text = f.read().decode("latin-1")
    up_to_date = text.count("This entry is installed and up-to-date.")
    if up_to_date != count or "Installing/Upgrading" in text:
        raise BenchError("%d of %d entries were up to date" % (up_to_date, count))


def measure_update_check(bench):
    folder = entries_folder(UPDATE_CHECK_ENTRIES)
    level0, level1, loop = [], [], []
    for run in range(RUNS):
        level0.append(bench.timed_update_step(folder, "-s")[1] / UPDATE_CHECK_ENTRIES)
        level1.append(bench.timed_update_step(folder, "-s", "-d")[1] / UPDATE_CHECK_ENTRIES)
        if run == 0:
            check_entries_up_to_date(bench, UPDATE_CHECK_ENTRIES)
        facts = bench.bench_program("file_check_loop", folder + "\\check-list.txt")
        loop.append(float(facts["seconds"]) / int(facts["files"]))
    return {"entries": UPDATE_CHECK_ENTRIES, "launcher_level0_seconds_per_entry": level0,
            "launcher_level1_seconds_per_entry": level1, "bare_loop_seconds_per_entry": loop,
            "ratios_level0": bench_report.paired_ratios(level0, loop),
            "ratios_level1": bench_report.paired_ratios(level1, loop)}


def peak_memory_kib(bench, folder):
    """The launcher's peak resident memory in one start, by /usr/bin/time."""
    env = dict(bench.machine.env)
    with tempfile.NamedTemporaryFile(dir=bench.scratch, suffix=".time") as report:
        subprocess.run(["/usr/bin/time", "-v", "-o", report.name, "wine", folder + "\\ovwin64.exe", "-s"],
                       env=env, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                       cwd=bench.scratch, check=True, timeout=600)
        text = open(report.name).read()
    match = re.search(r"Maximum resident set size \(kbytes\): (\d+)", text)
    if not match:
        raise BenchError("/usr/bin/time gave no peak memory: " + text)
    return int(match.group(1))


def measure_growth(bench):
    """Starts at growing archive sizes; the smallest and the largest also
    under /usr/bin/time for the peak memory."""
    points = []
    memory = {}
    for count in GROWTH_ENTRIES:
        starts, steps = [], []
        for _ in range(GROWTH_RUNS):
            whole, step = bench.timed_update_step(entries_folder(count), "-s")
            starts.append(whole)
            steps.append(step)
        points.append({"entries": count, "start_seconds": starts, "update_step_seconds": steps})
        if count in (min(GROWTH_ENTRIES), max(GROWTH_ENTRIES)):
            memory[count] = peak_memory_kib(bench, entries_folder(count))
        log("growth: %d entries, update step %.3f s" % (count, bench_report.spread(steps)["median"]))
    medians = [bench_report.spread(point["update_step_seconds"])["median"] for point in points]
    large = [i for i, point in enumerate(points) if point["entries"] >= 1000]
    exponent = bench_report.growth_exponent([points[i]["entries"] for i in large], [medians[i] for i in large])
    return {"points": points, "exponent_from_1000": exponent, "peak_memory_kib": memory}


def measure_install(bench):
    installed = bench.host(INSTALL + "\\large.bin")
    launcher, copy = [], []
    for _ in range(RUNS):
        # Both copies are made where no file is.
        if os.path.exists(installed):
            os.remove(installed)
        launcher.append(bench.timed_update_step(INSTALL, "-s")[1])
        if os.path.getsize(installed) != INSTALL_SIZE:
            raise BenchError("the large entry was not installed")
        facts = bench.bench_program("timed_copy", INSTALL + "\\copy-source.bin", INSTALL + "\\large-copy.bin")
        copy.append(float(facts["seconds"]))
    return {"bytes": INSTALL_SIZE, "launcher_install_step_seconds": launcher, "copyfile_seconds": copy,
            "ratios": bench_report.paired_ratios(copy, launcher)}


def measure_tar(scratch):
    """tabpack create and verify against tar -cf and tar -tf of the same
    files; the ratios are tar's time over tabpack's."""
    source = os.path.join(scratch, "tar-set")
    os.makedirs(source)
    block = os.urandom(1 << 20)
    base, extra = divmod(TAR_SET_SIZE, TAR_SET_FILES)
    names = []
    for i in range(TAR_SET_FILES):
        name = "f%04d.bin" % i
        size = base + (1 if i < extra else 0)
        with open(os.path.join(source, name), "wb") as f:
            written = 0
            while written < size:
                piece = block[: min(len(block), size - written)]
                f.write(piece)
                written += len(piece)
        names.append(name)
    manifest = os.path.join(source, "set.manifest")
    with open(manifest, "w") as f:
        f.write("".join("%s CUR always\n" % name for name in names))
    name_list = os.path.join(scratch, "tar-names.txt")
    with open(name_list, "w") as f:
        f.write("".join(name + "\n" for name in names))
    archive = os.path.join(scratch, "set.tab")
    tar_file = os.path.join(scratch, "set.tar")

    def timed(command):
        started = time.monotonic()
        subprocess.run(command, check=True, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        return time.monotonic() - started

    samples = {"tabpack_create": [], "tabpack_verify": [], "tar_create": [], "tar_list": []}
    for _ in range(RUNS):
        for path in (archive, tar_file):
            if os.path.exists(path):
                os.remove(path)
        samples["tabpack_create"].append(timed([TABPACK, "create", archive, manifest]))
        samples["tar_create"].append(timed(["tar", "-cf", tar_file, "-C", source, "-T", name_list]))
        samples["tabpack_verify"].append(timed([TABPACK, "verify", archive]))
        samples["tar_list"].append(timed(["tar", "-tf", tar_file]))
    tar_total = [c + t for c, t in zip(samples["tar_create"], samples["tar_list"])]
    tabpack_total = [c + v for c, v in zip(samples["tabpack_create"], samples["tabpack_verify"])]
    samples.update(bytes=TAR_SET_SIZE, files=TAR_SET_FILES,
                   ratios=bench_report.paired_ratios(tar_total, tabpack_total),
                   ratios_create=bench_report.paired_ratios(samples["tar_create"], samples["tabpack_create"]),
                   ratios_verify=bench_report.paired_ratios(samples["tar_list"], samples["tabpack_verify"]))
    return samples


# -- the report -------------------------------------------------------------

def machine_facts():
    cpu = ""
    with open("/proc/cpuinfo") as f:
        for line in f:
            if line.startswith("model name"):
                cpu = line.split(":", 1)[1].strip()
                break
    return {"cpu": cpu, "cores": os.cpu_count(), "wine": wine_version(), "kernel": platform.release(),
            "date": datetime.datetime.now(datetime.timezone.utc).strftime("%Y-%m-%d %H:%M UTC"),
            "load_average_at_start": os.getloadavg()[0]}


def ratio_row(measure, ratios, target, higher_is_better=False, detail="", unit=""):
    figures = bench_report.spread(ratios)
    comparison = ">=" if higher_is_better else "<="
    return {"measure": measure, "value": figures["median"], "unit": unit,
            "target": "%s %g" % (comparison, target),
            "range": "%.2f-%.2f" % (figures["min"], figures["max"]),
            "verdict": bench_report.verdict(figures["median"], target, higher_is_better), "detail": detail}


def median(samples):
    return bench_report.spread(samples)["median"]


def signed_share_rows(signed):
    expected = signed["header_and_records_bytes"] + signed["digest_table_bytes"]
    return [ratio_row("P5 signed, key set: share reads / header+records+table, level %d" % level,
                      [signed["level%d" % level]["ratio"]], TARGETS["p5"], unit="x",
                      detail="%d / %d bytes (table %d)" % (signed["level%d" % level]["bytes"], expected,
                                                           signed["digest_table_bytes"]))
            for level in (0, 1)]


def table_rows(results):
    p1, p2, p3, p4, p5, growth = (results[key] for key in ("p1", "p2", "p3", "p4", "p5", "growth"))
    memory = growth["peak_memory_kib"]
    smallest, largest = min(GROWTH_ENTRIES), max(GROWTH_ENTRIES)
    largest_step = median(growth["points"][-1]["update_step_seconds"])
    return [
        ratio_row("P1 start beyond pauses / trivial start", p1["ratios"], TARGETS["p1"],
                  detail="%.3f s / %.3f s; pauses %.1f s (%d folder checks)" %
                  (median(p1["launcher_beyond_pauses_seconds"]), median(p1["trivial_start_seconds"]),
                   p1["pauses_seconds"], p1["folder_checks"])),
        ratio_row("P2 update check / bare loop, level 0", p2["ratios_level0"], TARGETS["p2_level0"], unit="x",
                  detail="%.1f us / %.1f us per entry" % (median(p2["launcher_level0_seconds_per_entry"]) * 1e6,
                                                          median(p2["bare_loop_seconds_per_entry"]) * 1e6)),
        ratio_row("P2 update check / bare loop, level 1", p2["ratios_level1"], TARGETS["p2_level1"], unit="x",
                  detail="%.1f us per entry" % (median(p2["launcher_level1_seconds_per_entry"]) * 1e6)),
        ratio_row("P3 install throughput / CopyFileA", p3["ratios"], TARGETS["p3"], higher_is_better=True,
                  detail="%.0f MiB/s / %.0f MiB/s" % ((INSTALL_SIZE >> 20) / median(p3["launcher_install_step_seconds"]),
                                                      (INSTALL_SIZE >> 20) / median(p3["copyfile_seconds"]))),
        ratio_row("P4 tar time / tabpack time", p4["ratios"], TARGETS["p4"], higher_is_better=True,
                  detail="create+verify %.2f s, tar -cf/-tf %.2f s" %
                  (median(p4["tabpack_create"]) + median(p4["tabpack_verify"]),
                   median(p4["tar_create"]) + median(p4["tar_list"]))),
        ratio_row("  create: tar -cf / tabpack create", p4["ratios_create"], TARGETS["p4"], higher_is_better=True,
                  detail="%.2f s / %.2f s" % (median(p4["tar_create"]), median(p4["tabpack_create"]))),
        ratio_row("  verify: tar -tf / tabpack verify", p4["ratios_verify"], TARGETS["p4"], higher_is_better=True,
                  detail="%.3f s / %.3f s" % (median(p4["tar_list"]), median(p4["tabpack_verify"]))),
        ratio_row("P5 share reads / header+records, level 0", [p5["level0"]["ratio"]], TARGETS["p5"], unit="x",
                  detail="%d / %d bytes" % (p5["level0"]["bytes"], p5["header_and_records_bytes"])),
        ratio_row("P5 share reads / header+records, level 1", [p5["level1"]["ratio"]], TARGETS["p5"], unit="x",
                  detail="%d / %d bytes" % (p5["level1"]["bytes"], p5["header_and_records_bytes"])),
        *signed_share_rows(p5["signed"]),
        {"measure": "Peak memory, %d / %d records" % (largest, smallest), "value": memory[largest] / memory[smallest],
         "unit": "x", "detail": "%.1f MiB / %.1f MiB" % (memory[largest] / 1024, memory[smallest] / 1024)},
        ratio_row("Growth exponent of the update step", [growth["exponent_from_1000"]], TARGETS["growth"],
                  detail="1,000 to %s entries; %.2f s at %s" % ("{:,}".format(largest), largest_step,
                                                                 "{:,}".format(largest))),
    ]


def write_chart(growth, path):
    starts = [(p["entries"], median(p["start_seconds"])) for p in growth["points"]]
    steps = [(p["entries"], median(p["update_step_seconds"])) for p in growth["points"]]
    svg = bench_report.growth_chart_svg(
        [("update step of one start", "#1f6fb4", steps), ("whole start, pauses included", "#d95f02", starts)],
        "Silent standard start against archive entries (all up to date)", "archive entries",
        "seconds per start (median)")
    with open(path, "w") as f:
        f.write(svg)


def main():
    os.makedirs(OUT_DIR, exist_ok=True)
    os.makedirs(SCRATCH_ROOT, exist_ok=True)
    scratch = tempfile.mkdtemp(prefix="ovwin-bench-", dir=SCRATCH_ROOT)
    started = time.monotonic()
    results = {"machine": machine_facts(), "runs": RUNS, "growth_runs": GROWTH_RUNS, "targets": TARGETS,
               "tabpack": TABPACK}
    try:
        with WineMachine("bench") as machine:
            machine.add_drive("n", network=True)
            bench = Bench(machine, scratch)
            for name in ("trivial_program", "file_check_loop", "timed_copy", "desktop_keeper"):
                machine.copy_in(os.path.join(BENCH_PROGRAMS, name + ".exe"), r"C:\Bench")
            keeper = subprocess.Popen(["wine", r"C:\Bench\desktop_keeper.exe"], env=machine.env,
                                      stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                                      stderr=subprocess.DEVNULL, cwd=scratch)
            machine.reg_add(r"HKCU\Software\Wine\Debug", "RelayInclude", "REG_SZ",
                            ";".join(wine_traces.RELAY_CALLS))
            log("laying out the installations")
            mark_runtimes_installed(machine)
            lay_out_share(bench)
            entries = [lay_out_entries(bench, count) for count in sorted(GROWTH_ENTRIES + (UPDATE_CHECK_ENTRIES,))]
            lay_out_install(bench)
            # First starts leave each installation as a second start finds
            # it: cache copied, backup folders, shortcuts, fonts.
            for folder in [SHARE, SHARE, INSTALL] + entries:
                bench.launcher(folder, "-s")
            log("P1 start-up overhead")
            results["p1"] = measure_overhead(bench)
            log("P5 reads from the launcher's folder")
            results["p5"] = measure_share_reads(bench)
            log("P2 update check")
            results["p2"] = measure_update_check(bench)
            log("growth and peak memory")
            results["growth"] = measure_growth(bench)
            log("P3 install throughput")
            results["p3"] = measure_install(bench)
            keeper.kill()
            keeper.wait()
        shutil.rmtree(scratch, ignore_errors=True)
        scratch = tempfile.mkdtemp(prefix="ovwin-bench-", dir=SCRATCH_ROOT)
        log("P4 tabpack against tar")
        results["p4"] = measure_tar(scratch)
    finally:
        shutil.rmtree(scratch, ignore_errors=True)
    results["machine"]["load_average_at_end"] = os.getloadavg()[0]
    results["seconds"] = time.monotonic() - started
    rows = table_rows(results)
    results["table"] = rows
    with open(os.path.join(OUT_DIR, "results.json"), "w") as f:
        json.dump(results, f, indent=1)
    write_chart(results["growth"], os.path.join(OUT_DIR, "growth.svg"))
    facts = results["machine"]
    print()
    print("%s, %d cores, %s, %s; %d interleaved pairs per ratio, load %.1f to %.1f" % (
        facts["cpu"], facts["cores"], facts["wine"], facts["date"], RUNS, facts["load_average_at_start"],
        facts["load_average_at_end"]))
    print(bench_report.format_table(rows))
    print()
    print("Raw figures: %s; chart: %s (%.0f s)" % (os.path.join(OUT_DIR, "results.json"),
                                                    os.path.join(OUT_DIR, "growth.svg"), results["seconds"]))
    return 0


if __name__ == "__main__":
    sys.exit(main())
