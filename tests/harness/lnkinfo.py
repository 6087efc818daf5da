"""Shell links read back with Debian's lnkinfo (package liblnk-utils), a
parser nobody here wrote."""

import subprocess


def read_link(path):
    """The fields of a .lnk file's "Link information" section as lnkinfo
    prints them ("Local path", "Working directory", "Command line
    arguments", "Description", "Icon location", "Icon index", ...)."""
    output = subprocess.run(["lnkinfo", path], capture_output=True, text=True, check=True).stdout
    fields = {}
    section = None
    for line in output.splitlines():
        if line and not line.startswith("\t"):
            section = line.rstrip(":")
        elif section == "Link information" and ":" in line:
            key, _, value = line.strip().partition(":")
            fields[key.strip()] = value.strip()
    return fields
