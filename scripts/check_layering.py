#!/usr/bin/env python3
"""Checks that the launcher's includes point down.

The layout table of the README says, for every folder under ovwin_exe, which
folders it may include ("May include"). This script reads that table and
every source file under ovwin_exe, and fails when

- a file includes a header of a folder its own folder may not include;
- the table names a folder that does not exist, misses one that does, names
  an unknown folder as includable, or is not acyclic;
- a file whose name does not end in _win.cpp or _win.h includes a Windows
  header (<windows.h> and the other SDK headers the launcher uses) or a
  project header ending in _win.h.

Usage: check_layering.py [REPOSITORY]   (default: the repository of this script)
"""

import pathlib
import re
import sys

WINDOWS_HEADERS = {
    "windows.h", "winsock2.h", "ws2tcpip.h", "iphlpapi.h", "shlobj.h", "shellapi.h", "knownfolders.h",
    "objbase.h", "authz.h", "aclapi.h", "commctrl.h", "winnetwk.h", "sddl.h", "mbstring.h", "bcrypt.h",
    "wincrypt.h",
}
ROW = re.compile(r"^\|\s*`ovwin_exe/([a-z_]+)`\s*\|[^|]*\|([^|]*)\|\s*$")
INCLUDE = re.compile(r'^\s*#\s*include\s*([<"])([^>"]+)[>"]')


def read_table(readme):
    """The folders the README lists, each with the set it may include."""
    allowed = {}
    for line in readme.read_text(encoding="utf-8").splitlines():
        match = ROW.match(line)
        if match:
            allowed[match.group(1)] = set(re.findall(r"`([a-z_]+)`", match.group(2)))
    return allowed


def table_problems(allowed, folders):
    problems = []
    for folder in sorted(set(allowed) - folders):
        problems.append(f"README.md: the layout table names ovwin_exe/{folder}, which does not exist")
    for folder in sorted(folders - set(allowed)):
        problems.append(f"README.md: ovwin_exe/{folder} has no row (with what it may include) in the layout table")
    for folder, targets in sorted(allowed.items()):
        for target in sorted(targets - set(allowed)):
            problems.append(f"README.md: ovwin_exe/{folder} may include `{target}`, which is no folder of the table")
    # Depth-first search for a cycle among the allowed includes.
    state = {}

    def visit(folder, path):
        state[folder] = "open"
        for target in sorted(allowed.get(folder, ())):
            if state.get(target) == "open":
                cycle = path[path.index(target):] + [target]
                problems.append("README.md: the layout table has a cycle: " + " -> ".join(cycle))
            elif target not in state:
                visit(target, path + [target])
        state[folder] = "done"

    for folder in sorted(allowed):
        if folder not in state:
            visit(folder, [folder])
    return problems


def file_problems(path, folder, allowed, source_root):
    problems = []
    platform_file = path.name.endswith(("_win.cpp", "_win.h"))
    for number, line in enumerate(path.read_text(encoding="utf-8", errors="replace").splitlines(), 1):
        match = INCLUDE.match(line)
        if not match:
            continue
        where = f"{path.relative_to(source_root.parent)}:{number}"
        bracket, header = match.groups()
        if bracket == "<":
            if header.lower() in WINDOWS_HEADERS and not platform_file:
                problems.append(f"{where}: includes <{header}>, but only files ending in _win.cpp or _win.h may")
            continue
        target = header.split("/", 1)[0] if "/" in header else None
        if target is None:
            continue  # a file beside it (the resource scripts' headers)
        if target != folder and target not in allowed.get(folder, set()):
            problems.append(f"{where}: includes \"{header}\", but ovwin_exe/{folder} may not include {target}")
        if header.endswith("_win.h") and not platform_file:
            problems.append(f"{where}: includes \"{header}\", a Windows header, but only files ending in "
                            f"_win.cpp or _win.h may")
    return problems


def main():
    repository = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).parent.parent)
    source_root = repository / "ovwin_exe"
    allowed = read_table(repository / "README.md")
    folders = {entry.name for entry in source_root.iterdir() if entry.is_dir()}
    problems = table_problems(allowed, folders)
    for path in sorted(source_root.rglob("*")):
        if path.suffix in (".cpp", ".h") and path.is_file():
            folder = path.relative_to(source_root).parts[0]
            problems += file_problems(path, folder, allowed, source_root)
    for problem in problems:
        print(problem)
    if problems:
        print(f"{len(problems)} layering problem(s); the README's layout table says which folder may include which.")
        return 1
    return 0


if __name__ == "__main__":
    sys.exit(main())
