"""A clean Windows machine under Wine, one per test.

A template Wine prefix is built once per machine and Wine version and kept in
a cache folder. Every WineMachine mounts an overlay over it, so it starts from
the template's exact state, writes only into its own upper layer and never
changes the template. Each machine has its own wineserver and, when it needs
a screen and none is set, its own Xvfb; both are started here and ended by
their process ids when the machine is closed. Unless asked not to, a machine
loads our authz.dll (tools/authz) in the place of Wine's, which implements
nothing, so that access checks can run.

    with WineMachine("my-test") as machine:
        folder = machine.install_launcher()
        result = machine.run(folder + "\\ovwin64.exe", "-d list", cwd=folder)
        print(result.exit_code, result.stdout)
"""

import contextlib
import fcntl
import os
import re
import shutil
import signal
import subprocess
import tempfile
import threading
import time

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
DIST_DIR = os.environ.get("OVWIN_DIST_DIR", os.path.join(REPO, "dist"))
WIN_BUILD_DIR = os.environ.get("OVWIN_WIN_BUILD_DIR", os.path.join(REPO, "build", "win"))
CACHE_DIR = os.environ.get("OVWIN_TEST_CACHE", "/var/cache/ovwin-tests")
RUN_DIR = os.environ.get("OVWIN_TEST_RUN_DIR", "/tmp/ovwin-tests")
ARTIFACTS_DIR = os.environ.get("OVWIN_ARTIFACTS_DIR", os.path.join(REPO, "build", "artifacts"))

TOOLS_DIR = os.path.join(WIN_BUILD_DIR, "bin")
WIN_TESTS_DIR = os.path.join(WIN_BUILD_DIR, "tests")
# Our own authz.dll (tools/authz): Wine's answers every call with "not
# implemented", so without it no access check of the launcher could run.
NATIVE_AUTHZ = os.path.join(TOOLS_DIR, "authz.dll")

# Quiet Wine, and keep it from installing Mono or Gecko or writing desktop
# menu entries into the Unix home folder.
WINE_BASE_ENV = {
    "WINEDEBUG": "-all",
    "WINEDLLOVERRIDES": "winemenubuilder.exe=d;mscoree=d;mshtml=d",
}

DEFAULT_TIMEOUT = 120

# Folder of a standard installation, as an administrator would deploy it.
DEFAULT_INSTALL_FOLDER = r"C:\Program Files\Altavy\Orvanta"

_DATE_TIME = re.compile(r"^\d\d/\d\d/\d\d \d\d:\d\d:\d\d ")
LOG_TIME_MASK = "xx/xx/xx xx:xx:xx "


class WineError(RuntimeError):
    pass


def _exit_on_terminate(signum, frame):
    # A test runner that gives up on a test sends SIGTERM: leave through
    # SystemExit, so every machine's clean-up still runs.
    raise SystemExit(128 + signum)


if threading.current_thread() is threading.main_thread():
    signal.signal(signal.SIGTERM, _exit_on_terminate)


@contextlib.contextmanager
def _locked(path):
    os.makedirs(os.path.dirname(path), exist_ok=True)
    with open(path, "w") as lock:
        fcntl.flock(lock, fcntl.LOCK_EX)
        try:
            yield
        finally:
            fcntl.flock(lock, fcntl.LOCK_UN)


def wine_version():
    return subprocess.run(["wine", "--version"], capture_output=True, text=True, check=True).stdout.strip()


def template_prefix():
    """The cached template prefix, built on first use (under a lock, so
    parallel tests build it once)."""
    path = os.path.join(CACHE_DIR, "template-" + re.sub(r"[^\w.-]", "_", wine_version()))
    ready = os.path.join(path, ".ovwin-template-ready")
    with _locked(os.path.join(CACHE_DIR, "template.lock")):
        if os.path.exists(ready):
            return path
        building = path + ".building"
        shutil.rmtree(building, ignore_errors=True)
        shutil.rmtree(path, ignore_errors=True)
        os.makedirs(building)
        scratch = tempfile.mkdtemp(prefix="template-tmp-", dir=CACHE_DIR)
        env = dict(os.environ, WINEPREFIX=building, TMPDIR=scratch, **WINE_BASE_ENV)
        env.pop("DISPLAY", None)
        # Our own server, so that we know when the prefix is written out: it
        # ends a few seconds after wineboot's last process.
        server = subprocess.Popen(["wineserver", "-f"], env=env)
        try:
            subprocess.run(["wineboot", "-i"], env=env, check=True, stdin=subprocess.DEVNULL,
                           stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=300)
        finally:
            try:
                server.wait(timeout=120)
            except subprocess.TimeoutExpired:
                subprocess.run(["wineserver", "-k"], env=env)
                server.wait(timeout=30)
            shutil.rmtree(scratch, ignore_errors=True)
        _detach_home_folders(building)
        open(os.path.join(building, ".ovwin-template-ready"), "w").close()
        os.rename(building, path)
        return path


def _detach_home_folders(prefix):
    """Wine links the user's Desktop, Documents and the like to the Unix home
    folder; a test must never write there, so they become plain folders."""
    users = os.path.join(prefix, "drive_c", "users")
    for user in os.listdir(users):
        user_dir = os.path.join(users, user)
        for entry in os.listdir(user_dir):
            full = os.path.join(user_dir, entry)
            if os.path.islink(full):
                os.unlink(full)
                os.mkdir(full)


def _run_to_files(args, env, timeout, directory):
    """Runs a command with its output captured in files rather than pipes.
    Wine starts long-lived helper processes (services, device drivers) that
    inherit the standard handles of whichever program started them first; a
    pipe would then never reach end of file."""
    with tempfile.TemporaryFile(dir=directory) as out, tempfile.TemporaryFile(dir=directory) as err:
        process = subprocess.Popen(args, env=env, stdin=subprocess.DEVNULL, stdout=out, stderr=err)
        try:
            process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            process.kill()
            process.wait()
            raise
        out.seek(0)
        err.seek(0)
        return subprocess.CompletedProcess(args, process.returncode, out.read(), err.read())


class RunResult:
    def __init__(self, exit_code, stdout, stderr):
        self.exit_code = exit_code
        self.stdout = stdout
        self.stderr = stderr

    def __repr__(self):
        return "RunResult(exit_code=%r, stdout=%r, stderr=%r)" % (self.exit_code, self.stdout, self.stderr)


class StartedProgram:
    """A program started in the background with an exact command line."""

    def __init__(self, process, status_path, stdout_file, stderr_file):
        self._process = process
        self._status_path = status_path
        self._stdout_file = stdout_file
        self._stderr_file = stderr_file

    def wait(self, timeout=DEFAULT_TIMEOUT):
        try:
            self._process.wait(timeout=timeout)
        except subprocess.TimeoutExpired:
            self._process.kill()
            self._process.wait()
            raise WineError("program did not end within %s s" % timeout)
        stdout, stderr = (_read_and_close(f) for f in (self._stdout_file, self._stderr_file))
        return RunResult(_read_status(self._status_path, stderr), stdout, stderr)

    def running(self):
        return self._process.poll() is None


def _read_and_close(file):
    file.seek(0)
    data = file.read()
    file.close()
    return data


def _read_status(status_path, stderr):
    try:
        with open(status_path) as f:
            return int(f.read().strip())
    except (OSError, ValueError):
        raise WineError("the program was not started: %s" % stderr)


class WineMachine:
    """One clean Windows machine: an overlay over the template prefix with its
    own wineserver, and a screen when asked for."""

    def __init__(self, name, display=False, windows_version=None, timezone=None, native_authz=True):
        """timezone: a TZ value such as "Asia/Kolkata"; Wine takes the time
        zone (and the offset its conversions use) from TZ."""
        self.name = re.sub(r"[^\w.-]", "_", name)
        self.want_display = display
        self.windows_version = windows_version
        self.timezone = timezone
        self.native_authz = native_authz
        self.root = None
        self.prefix = None
        self.env = None
        self._mounted = False
        self._server = None
        self._xvfb = None
        self._counter = 0
        self._drives = {}  # "N:" -> the host folder behind the letter
        self._small_disks = []  # host folders with a small file system mounted on them

    # -- life cycle -------------------------------------------------------

    def __enter__(self):
        self.start()
        return self

    def __exit__(self, *exc):
        self.close()
        return False

    def start(self):
        template = template_prefix()
        os.makedirs(RUN_DIR, exist_ok=True)
        self.root = tempfile.mkdtemp(prefix=self.name + "-", dir=RUN_DIR)
        upper, work, self.prefix, tmp = (os.path.join(self.root, d) for d in ("upper", "work", "prefix", "tmp"))
        for d in (upper, work, self.prefix, tmp):
            os.mkdir(d)
        try:
            subprocess.run(["mount", "-t", "overlay", "overlay", "-o",
                            "lowerdir=%s,upperdir=%s,workdir=%s" % (template, upper, work), self.prefix],
                           check=True, capture_output=True)
            self._mounted = True
            self.env = dict(os.environ, WINEPREFIX=self.prefix, TMPDIR=tmp, **WINE_BASE_ENV)
            if self.timezone:
                self.env["TZ"] = self.timezone
            # Every 64-bit Windows has its 32-bit system folder; this 64-bit-only
            # Wine does not create it, and then cannot name it.
            os.makedirs(os.path.join(self.prefix, "drive_c", "windows", "syswow64"), exist_ok=True)
            if self.native_authz:
                self._install_native_authz()
            if self.want_display and not os.environ.get("DISPLAY"):
                self._start_xvfb()
            elif not self.want_display:
                self.env.pop("DISPLAY", None)
            self._start_server()
            if self.windows_version:
                self.set_windows_version(self.windows_version)
        except BaseException:
            self.close()
            raise

    def _start_server(self):
        self._server = subprocess.Popen(["wineserver", "-f", "-p"], env=self.env)
        # The first program of a prefix starts Wine's own services; give
        # them no standard handles worth keeping.
        subprocess.run(["wine", "cmd", "/c", "exit"], env=self.env, stdin=subprocess.DEVNULL,
                       stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL, timeout=DEFAULT_TIMEOUT)

    def _restart_server(self):
        """Ends the wineserver and every program of the machine, then starts
        them anew, so that Wine's services read settings again."""
        subprocess.run(["wineserver", "-k"], env=self.env, capture_output=True, timeout=60)
        self._server.wait(timeout=30)
        self._start_server()

    def _install_native_authz(self):
        """Puts our authz.dll in the place of Wine's in this machine's
        system32 and has every program of the machine load it."""
        shutil.copyfile(NATIVE_AUTHZ, os.path.join(self.prefix, "drive_c", "windows", "system32", "authz.dll"))
        self.env["WINEDLLOVERRIDES"] += ";authz=n,b"

    def _start_xvfb(self):
        read_end, write_end = os.pipe()
        self._xvfb = subprocess.Popen(
            ["Xvfb", "-displayfd", str(write_end), "-screen", "0", "1280x1024x24", "-nolisten", "tcp"],
            pass_fds=(write_end,), stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)
        os.close(write_end)
        with os.fdopen(read_end) as pipe:
            number = pipe.readline().strip()
        if not number:
            raise WineError("Xvfb did not start")
        self.env["DISPLAY"] = ":" + number

    def close(self):
        if self._server is not None:
            # The server ends every Windows process of this prefix, then itself.
            # With SIGKILL it does not first save the registry of a prefix
            # that is about to be thrown away, which took most of a second.
            subprocess.run(["wineserver", "-k9"], env=self.env, capture_output=True, timeout=60)
            try:
                self._server.wait(timeout=20)
            except subprocess.TimeoutExpired:
                self._server.kill()
                self._server.wait()
            self._server = None
        self._kill_leftovers()
        while self._small_disks:
            subprocess.run(["umount", self._small_disks.pop()], capture_output=True)
        if self._xvfb is not None:
            self._xvfb.terminate()
            try:
                self._xvfb.wait(timeout=10)
            except subprocess.TimeoutExpired:
                self._xvfb.kill()
                self._xvfb.wait()
            self._xvfb = None
        if self._mounted:
            for _ in range(50):
                if subprocess.run(["umount", self.prefix], capture_output=True).returncode == 0:
                    self._mounted = False
                    break
                time.sleep(0.1)
        if self.root and not self._mounted:
            shutil.rmtree(self.root, ignore_errors=True)

    def _kill_leftovers(self):
        """Processes still bound to this prefix after the server has gone:
        found by this machine's own WINEPREFIX, ended by process id."""
        if not self.prefix:
            return
        for pid in self._own_processes():
            try:
                os.kill(int(pid), signal.SIGKILL)
            except OSError:
                pass

    def _own_processes(self):
        """The ids of the processes bound to this machine's prefix."""
        marker = ("WINEPREFIX=" + self.prefix).encode()
        for pid in os.listdir("/proc"):
            if not pid.isdigit():
                continue
            try:
                with open("/proc/%s/environ" % pid, "rb") as f:
                    if marker in f.read().split(b"\0"):
                        yield pid
            except OSError:
                pass

    # -- paths ------------------------------------------------------------

    def host_path(self, windows_path):
        """The Unix path of a path on C: or on a drive added with add_drive."""
        drive, rest = windows_path[:2].upper(), windows_path[2:]
        if drive == "C:":
            root = os.path.join(self.prefix, "drive_c")
        elif drive in self._drives:
            root = self._drives[drive]
        else:
            raise ValueError("only C: and added drives live in the machine: " + windows_path)
        return os.path.join(root, *[p for p in rest.split("\\") if p])

    def add_drive(self, letter, network=False):
        """Gives the machine a drive letter for a new, empty folder of its
        own, and returns that folder's host path. With network=True the drive
        reports itself as a network drive (GetDriveTypeA gives DRIVE_REMOTE),
        as an administrator's share does; the machine's programs end for
        that, since Wine reads the setting when its services start."""
        letter = letter.lower()
        folder = os.path.join(self.root, "drive_" + letter)
        os.mkdir(folder)
        os.symlink(folder, os.path.join(self.prefix, "dosdevices", letter + ":"))
        self._drives[letter.upper() + ":"] = folder
        if network:
            self.reg_add(r"HKLM\Software\Wine\Drives", letter + ":", "REG_SZ", "network")
            self._restart_server()
        return folder

    def mount_small_disk(self, windows_folder, kib):
        """Mounts a file system of kib KiB (a tmpfs) on a folder of the
        machine, made when missing, so that writes into it fail as on a full
        disk once it holds that much: Wine then answers error 0x70. It is
        unmounted when the machine closes."""
        path = self.host_path(windows_folder)
        os.makedirs(path, exist_ok=True)
        subprocess.run(["mount", "-t", "tmpfs", "-o", "size=%dk,mode=0755" % kib, "tmpfs", path], check=True,
                       capture_output=True)
        self._small_disks.append(path)
        return path

    def write_file(self, windows_path, data):
        path = self.host_path(windows_path)
        os.makedirs(os.path.dirname(path), exist_ok=True)
        with open(path, "wb") as f:
            f.write(data if isinstance(data, bytes) else data.encode("latin-1"))

    def read_bytes(self, windows_path):
        with open(self.host_path(windows_path), "rb") as f:
            return f.read()

    def exists(self, windows_path):
        return os.path.exists(self.host_path(windows_path))

    def copy_in(self, host_file, windows_folder, name=None):
        target = self.host_path(windows_folder + "\\" + (name or os.path.basename(host_file)))
        os.makedirs(os.path.dirname(target), exist_ok=True)
        shutil.copy2(host_file, target)
        return windows_folder + "\\" + os.path.basename(target)

    def install_launcher(self, folder=DEFAULT_INSTALL_FOLDER):
        """Lays out an installation folder holding ovwin64.exe; returns it."""
        self.copy_in(os.path.join(DIST_DIR, "ovwin64.exe"), folder)
        return folder

    # -- running programs -------------------------------------------------

    def _scratch(self):
        return os.path.join(self.root, "tmp")

    def wine(self, *args, timeout=DEFAULT_TIMEOUT, check=True):
        """Runs `wine ARGS` (argv semantics) and returns the completed process."""
        result = _run_to_files(["wine", *args], self.env, timeout, self._scratch())
        if check and result.returncode != 0:
            raise WineError("wine %s failed (%d): %s" % (" ".join(args), result.returncode,
                                                         result.stderr.decode(errors="replace")))
        return result

    def _exact(self, program, arguments, cwd, limited=False, extra_env=None):
        self._counter += 1
        status_path = os.path.join(self.root, "tmp", "status-%d" % self._counter)
        command_line = '"%s"' % program
        if arguments:
            command_line += " " + arguments
        env = dict(self.env, **(extra_env or {}))
        env.update(RUNEXACT_CMDLINE=command_line, RUNEXACT_STATUS=_windows_path_of_host(status_path))
        if cwd:
            env["RUNEXACT_CWD"] = cwd
        if limited:
            env["RUNEXACT_LIMITED"] = "1"
        return env, status_path

    def run(self, program, arguments="", cwd=None, timeout=DEFAULT_TIMEOUT, stdin=None, limited=False, env=None):
        """Runs a Windows program with exactly this argument text after its
        quoted path, waits, and returns the full exit code and the text it
        wrote to standard output and error. With limited=True the program
        gets the token of an administrator under UAC who has not elevated
        (Wine otherwise gives every process a full, elevated one). env: more
        environment variables for this run (see relay_env)."""
        started = self.start_program(program, arguments, cwd, stdin=stdin, limited=limited, env=env)
        return started.wait(timeout)

    def start_program(self, program, arguments="", cwd=None, stdin=None, limited=False, env=None):
        env, status_path = self._exact(program, arguments, cwd, limited, env)
        stdout_file = tempfile.TemporaryFile(dir=self._scratch())
        stderr_file = tempfile.TemporaryFile(dir=self._scratch())
        process = subprocess.Popen(["wine", os.path.join(TOOLS_DIR, "runexact.exe")], env=env,
                                   stdin=subprocess.DEVNULL if stdin is None else stdin,
                                   stdout=stdout_file, stderr=stderr_file)
        return StartedProgram(process, status_path, stdout_file, stderr_file)

    def relay_env(self, functions):
        """The environment with which a run traces its calls of these
        functions ("gdi32.AddFontResourceA", ...) and their results on
        standard error; read them back with relay_calls. Name the DLL a
        program imports from: kernel32.CreateFileA, not the kernelbase it
        forwards to. Wine's relay trace is the only outside view of calls
        whose effect stays inside the process, such as a font added for it
        alone."""
        self.reg_add(r"HKCU\Software\Wine\Debug", "RelayInclude", "REG_SZ", ";".join(functions))
        return {"WINEDEBUG": "-all,+relay"}

    def wait_for_exit(self, image_name, timeout=30):
        """Waits until no program of this machine runs from a file of this
        name (such as "verozar1.exe"); Wine names each process after it."""
        deadline = time.monotonic() + timeout
        while self.is_running(image_name):
            if time.monotonic() > deadline:
                raise WineError("%s still runs after %s s" % (image_name, timeout))
            time.sleep(0.1)

    def is_running(self, image_name):
        """Whether a program of this machine runs from a file of this name."""
        return bool(self._processes_named(image_name[:15]))

    def _processes_named(self, name):
        found = []
        for pid in self._own_processes():
            try:
                with open("/proc/%s/comm" % pid) as f:
                    if f.read().strip() == name:
                        found.append(pid)
            except OSError:
                pass
        return found

    def uiprobe(self, *args, timeout=60, check=True):
        """Runs uiprobe with these arguments; returns (exit status, output)."""
        result = _run_to_files(["wine", os.path.join(TOOLS_DIR, "uiprobe.exe"), *args], self.env, timeout,
                               self._scratch())
        output = result.stdout.decode("latin-1")
        if check and result.returncode != 0:
            raise WineError("uiprobe %s failed (%d): %s" % (" ".join(args), result.returncode,
                                                           result.stderr.decode(errors="replace")))
        return result.returncode, output

    def start_uiprobe(self, *args):
        """Starts uiprobe with these arguments and leaves it running; returns a
        function that waits for it (timeout in seconds) and returns what
        uiprobe() returns."""
        out, err = (tempfile.TemporaryFile(dir=self._scratch()) for _ in range(2))
        process = subprocess.Popen(["wine", os.path.join(TOOLS_DIR, "uiprobe.exe"), *args], env=self.env,
                                   stdin=subprocess.DEVNULL, stdout=out, stderr=err)

        def finish(timeout=60):
            try:
                process.wait(timeout=timeout)
            except subprocess.TimeoutExpired:
                process.kill()
                process.wait()
                raise WineError("uiprobe %s did not end within %s s" % (" ".join(args), timeout))
            output, errors = (_read_and_close(f).decode("latin-1") for f in (out, err))
            if process.returncode != 0:
                raise WineError("uiprobe %s failed (%d): %s" % (" ".join(args), process.returncode, errors))
            return process.returncode, output

        return finish

    def controls(self, title):
        """The controls of a window, as dictionaries of uiprobe's fields."""
        _, output = self.uiprobe("controls", title)
        return [_parse_fields(line) for line in output.splitlines() if line]

    def window_info(self, title):
        _, output = self.uiprobe("info", title)
        info = {}
        for line in output.splitlines():
            key, _, value = line.partition("=")
            info[key] = _unescape(value)
        return info

    def screenshot(self, title, name, folder=None):
        """Saves a screenshot of the window as a PNG under the test artefacts
        (or in folder) and returns the decoded picture."""
        from bitmap import read_bmp

        bmp_path = os.path.join(self.root, "tmp", "shot-%d.bmp" % (self._counter + 1))
        self._counter += 1
        self.uiprobe("shot", title, _windows_path_of_host(bmp_path))
        picture = read_bmp(bmp_path)
        save_picture(picture, name, folder)
        return picture

    # -- registry and system settings ------------------------------------

    def reg_add(self, key, name, kind, data):
        """Sets a registry value in the 64-bit view, e.g.
        reg_add(r"HKLM\\SOFTWARE\\X", "Debug", "REG_DWORD", 1)."""
        self.wine("reg", "add", key, "/v", name, "/t", kind, "/d", str(data), "/f", "/reg:64")

    def reg_delete(self, key, name=None):
        args = ["reg", "delete", key] + (["/v", name] if name is not None else []) + ["/f", "/reg:64"]
        self.wine(*args, check=False)

    def reg_query(self, key, name):
        """The value's type and data as `reg query` prints them, or None."""
        result = self.wine("reg", "query", key, "/v", name, "/reg:64", check=False)
        if result.returncode != 0:
            return None
        for line in result.stdout.decode("latin-1").splitlines():
            parts = line.split(None, 2)
            if len(parts) >= 2 and parts[0] == name and parts[1].startswith("REG_"):
                return parts[1], (parts[2] if len(parts) > 2 else "")
        return None

    def reg_raw(self, key, name):
        """A value below HKEY_LOCAL_MACHINE exactly as stored: (type, bytes),
        or None when it cannot be read. key: "SOFTWARE\\..." without the hive."""
        result = _run_to_files(["wine", os.path.join(WIN_TESTS_DIR, "registry_probe.exe"), key, name], self.env,
                               DEFAULT_TIMEOUT, self._scratch())
        fields = dict(part.split("=", 1) for part in result.stdout.decode("latin-1").split())
        if result.returncode != 0 or "type" not in fields:
            return None
        return int(fields["type"]), bytes.fromhex(fields["data"])

    def set_windows_version(self, version):
        """Makes the prefix report another Windows version: win7, win10, ..."""
        self.wine("winecfg", "-v", version)


def save_picture(picture, name, folder=None):
    """Keeps a picture as NAME.png under the test artefacts (the folder
    `make screenshots` copies the documentation's pictures from), or in
    folder."""
    from bitmap import write_png

    folder = folder or ARTIFACTS_DIR
    os.makedirs(folder, exist_ok=True)
    path = os.path.join(folder, name + ".png")
    write_png(path, picture)
    return path


def _windows_path_of_host(path):
    """A Unix path as Wine sees it on drive Z:."""
    return "Z:" + os.path.abspath(path).replace("/", "\\")


def _unescape(text):
    return re.sub(r"\\(.)", lambda m: {"n": "\n", "r": "\r", "t": "\t", "\\": "\\"}.get(m.group(1), m.group(1)),
                  text)


def _parse_fields(line):
    """uiprobe's "key=value key=value ... text=rest" lines; text is last and
    may hold spaces."""
    head, _, text = line.partition(" text=")
    fields = dict(part.split("=", 1) for part in head.split())
    fields["text"] = _unescape(text)
    if "id" in fields:
        fields["id"] = int(fields["id"])
    return fields


_RELAY_CALL = re.compile(r"^(\w+):Call ([\w.]+)\((.*)\) ret=\w+$")
_RELAY_RETURN = re.compile(r"^(\w+):Ret  ([\w.]+)\(\) retval=(\w+) ret=\w+$")


def relay_calls(stderr):
    """The calls of a relay trace (see WineMachine.relay_env) in the order
    they were made: (function, argument text, return value). The argument
    text is as Wine prints it, strings quoted with C escapes."""
    calls = []
    open_calls = {}  # thread -> indexes of its calls still running
    for line in stderr.decode("latin-1").splitlines():
        called = _RELAY_CALL.match(line)
        if called:
            open_calls.setdefault(called.group(1), []).append(len(calls))
            calls.append([called.group(2), called.group(3), None])
            continue
        returned = _RELAY_RETURN.match(line)
        if returned and open_calls.get(returned.group(1)):
            calls[open_calls[returned.group(1)].pop()][2] = int(returned.group(3), 16)
    return [tuple(call) for call in calls]


def read_log(path):
    """The lines of a log file with their line ends removed and the date and
    time of each line replaced by a mask of the same width, so that tests can
    compare whole lines and columns."""
    with open(path, "rb") as f:
        data = f.read().decode("latin-1")
    return [_DATE_TIME.sub(LOG_TIME_MASK, line) for line in data.split("\r\n")[:-1]] if data else []


def log_messages(path):
    """The message part of each line of a log (what follows the tag), without
    indentation: handy for checking the order of lines."""
    messages = []
    for line in read_log(path):
        if line.startswith(LOG_TIME_MASK):
            messages.append(line[33:].strip(" "))
    return messages
