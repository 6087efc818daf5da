"""What the benchmark reads out of Wine's own traces.

Two views that need nothing but Wine:

- the relay trace with time stamps (WINEDEBUG=+relay,+timestamp) of a few
  calls, which times one step of a start to the millisecond without
  counting the fixed pauses around it;
- the file trace (WINEDEBUG=+file), which names every file a process opens
  with the handle it got, and every read with its handle and the bytes it
  returned.
"""

import collections
import re

# The calls the relay trace needs to see: the pauses that bracket every step
# of a start, and the one call the archive reader makes when it opens the
# archive (GetFileSizeEx, made by nothing else in a start), which tells the
# update step's bracket from the others.
RELAY_CALLS = ("kernel32.Sleep", "kernel32.GetFileSizeEx")

_RELAY_LINE = re.compile(r"^(\d+)\.(\d+):([0-9a-f]+):(Call|Ret ) KERNEL32\.(\w+)\(")


class TraceError(RuntimeError):
    pass


def update_step_seconds(relay_text):
    """The time between the end of the pause before the update step and the
    start of the pause after it: the step's own work, read from a relay
    trace of RELAY_CALLS with time stamps."""
    events = []  # (milliseconds, thread, kind, function)
    for line in relay_text.splitlines():
        match = _RELAY_LINE.match(line)
        if match:
            milliseconds = int(match.group(1)) * 1000 + int(match.group(2).ljust(3, "0")[:3])
            events.append((milliseconds, match.group(3), match.group(4).strip(), match.group(5)))
    opened = [i for i, event in enumerate(events) if event[2] == "Call" and event[3] == "GetFileSizeEx"]
    if len(opened) != 1:
        raise TraceError("expected the archive to be opened once, found %d opens" % len(opened))
    at = opened[0]
    thread = events[at][1]
    own = [event for event in events if event[1] == thread]
    index = own.index(events[at])
    before = [event for event in own[:index] if event[2] == "Ret" and event[3] == "Sleep"]
    after = [event for event in own[index + 1:] if event[2] == "Call" and event[3] == "Sleep"]
    if not before or not after:
        raise TraceError("the update step is not bracketed by pauses")
    return (after[0][0] - before[-1][0]) / 1000.0


_CREATE_NAME = re.compile(r'^([0-9a-f]+):trace:file:NtCreateFile .*? name=L"((?:[^"\\]|\\.)*)"')
_CREATE_RETURN = re.compile(r"^([0-9a-f]+):trace:file:CreateFileW returning ([0-9A-Fa-f]+)")
_READ_CALL = re.compile(r"^([0-9a-f]+):trace:file:NtReadFile \(0x([0-9a-f]+),")
_READ_DONE = re.compile(r"^([0-9a-f]+):trace:file:NtReadFile = SUCCESS \((\d+)\)")

ReadTally = collections.namedtuple("ReadTally", "total by_file")


def _unescape(name):
    return re.sub(r"\\(.)", r"\1", name)


def bytes_read_below(file_trace_text, folder):
    """The bytes that reads returned from files below a Windows folder (such
    as "N:\\Altavy\\Orvanta"), from a file trace: ReadTally(total, {file
    name relative to the folder: bytes}).

    A handle is tied to the full name of the last NtCreateFile its thread
    made before CreateFileW returned it, so relative names count too. A
    handle number that Wine gives again to a file opened without
    CreateFileW stays tied to the earlier name: such a read is counted
    against the folder, never lost from it."""
    prefix = "\\??\\" + folder.rstrip("\\").lower() + "\\"
    pending = {}  # thread -> full NT name of its last NtCreateFile
    handles = {}  # (thread, handle) -> name below the folder, or None
    reading = {}  # thread -> handle of its NtReadFile under way
    by_file = collections.Counter()
    for line in file_trace_text.splitlines():
        created = _CREATE_NAME.match(line)
        if created:
            pending[created.group(1)] = _unescape(created.group(2))
            continue
        returned = _CREATE_RETURN.match(line)
        if returned:
            thread, handle = returned.group(1), int(returned.group(2), 16)
            name = pending.pop(thread, "")
            handles[(thread, handle)] = name[len(prefix):] if name.lower().startswith(prefix) else None
            continue
        called = _READ_CALL.match(line)
        if called:
            reading[called.group(1)] = int(called.group(2), 16)
            continue
        done = _READ_DONE.match(line)
        if done and done.group(1) in reading:
            name = handles.get((done.group(1), reading.pop(done.group(1))))
            if name is not None:
                by_file[name] += int(done.group(2))
    return ReadTally(sum(by_file.values()), dict(by_file))
