"""Package archives for tests, built by tabpack (its Linux build) from a
manifest, as every test that needs an archive builds it.

    archive = build_archive(folder, [
        Entry("verozar1.exe", "CUR", "newer", "2023-07-14T09:30:00Z", b"MZ..."),
        UNUSED,
    ])
"""

import atexit
import collections
import os
import shutil
import subprocess
import tempfile

REPO = os.path.abspath(os.path.join(os.path.dirname(__file__), "..", ".."))
TABPACK = os.environ.get("OVWIN_TABPACK", os.path.join(REPO, "build", "host", "bin", "tabpack"))

Entry = collections.namedtuple("Entry", "name destination rule time contents")
UNUSED = None


def tabpack(*args, env=None, check=True):
    """Runs tabpack; returns the completed process (output as bytes)."""
    result = subprocess.run([TABPACK, *args], capture_output=True, env=env)
    if check and result.returncode != 0:
        raise RuntimeError("tabpack %s failed (%d): %s" % (" ".join(args), result.returncode,
                                                          result.stderr.decode(errors="replace")))
    return result


def write_manifest(folder, entries, name="archive.manifest"):
    """Writes each entry's contents into folder and a manifest naming them;
    returns the manifest's path."""
    os.makedirs(folder, exist_ok=True)
    lines = []
    for entry in entries:
        if entry is UNUSED:
            lines.append("unused")
            continue
        with open(os.path.join(folder, entry.name), "wb") as f:
            f.write(entry.contents)
        lines.append('"%s" %s %s %s' % (entry.name, entry.destination, entry.rule, entry.time or ""))
    path = os.path.join(folder, name)
    with open(path, "w") as f:
        f.write("\n".join(lines) + "\n")
    return path


def rename_record(archive, index, name):
    """Writes name (bytes) into the name field of record index, as no
    manifest could: for archives that hold what tabpack refuses to make."""
    with open(archive, "r+b") as f:
        f.seek(100 + 100 * index)
        f.write(name[:50].ljust(50, b"\0"))


def build_archive(folder, entries, archive_name="verozar0.dll", sized=True):
    """Builds an archive of the entries in folder; returns its path."""
    manifest = write_manifest(folder, entries)
    archive = os.path.join(folder, archive_name)
    tabpack("create", *([] if sized else ["--no-size"]), archive, manifest)
    return archive


_placeholder = None


def placeholder_archive():
    """An archive of one unused record, built once per process: it installs
    nothing, and spares a start the box about a missing archive."""
    global _placeholder
    if _placeholder is None:
        folder = tempfile.mkdtemp(prefix="ovwin-placeholder-archive-")
        atexit.register(shutil.rmtree, folder, True)
        _placeholder = build_archive(folder, [UNUSED])
    return _placeholder
