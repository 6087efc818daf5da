#!/usr/bin/env python3
"""Checks that the administrators' pages under docs/ say what the launcher's
sources say, so that they cannot go stale unnoticed:

- every log line the pages quote (in ```log blocks, and in the first column
  of tables headed "Log line") is one the launcher can write: it matches a
  message of the sources, their printf conversions standing for any text;
- the switches of the table headed "Switch" are exactly those the command
  line parser knows;
- the exit codes of the table headed "Exit code" are exactly the launcher's;
- every registry value, mode word and shortcut of a table headed "Value",
  "Mode word" or "Shortcut" is a name the sources use.

A quoted log line may keep its date, time, tag and indentation and its
wrapped continuation lines, as the log shows them; a line "..." marks lines
left out.

Usage: check_docs.py [REPOSITORY]   (default: the repository of this script)
"""

import pathlib
import re
import sys

# Comments and character literals are matched too, so that a quote inside
# them does not start a string.
_TOKEN = re.compile(r"//[^\n]*|/\*.*?\*/|'(?:[^'\\\n]|\\.)*'|\"((?:[^\"\\\n]|\\.)*)\"", re.DOTALL)
_CONVERSION = re.compile(r"%[-+ #0]*(?:\*|\d+)?(?:\.\d+)?(?:hh|h|ll|l|I64|z)?[diouxXcspf]")
_ESCAPES = {"n": "\n", "t": "\t", "r": "\r", "a": "\a", "\\": "\\", '"': '"', "'": "'", "0": "\0"}
_LOG_PREFIX = re.compile(r"^\d\d/\d\d/\d\d \d\d:\d\d:\d\d OVWIN (?:DEBUG   |DEBUG X |ERROR !!) ?")
_CONTINUATION = " " * 30
# Messages of fewer fixed characters than this match too much to count.
_MIN_FIXED = 6


def unescape(text):
    return re.sub(r"\\(.)", lambda m: _ESCAPES.get(m.group(1), m.group(1)), text)


def string_literals(path):
    """The string literals of a C++ file, adjacent ones joined, unescaped."""
    text = path.read_text(encoding="latin-1")
    found, end = [], None
    for match in _TOKEN.finditer(text):
        if match.group(1) is None:
            end = None
            continue
        if end is not None and not text[end:match.start()].strip():
            found[-1] += unescape(match.group(1))
        else:
            found.append(unescape(match.group(1)))
        end = match.end()
    return found


def sources(repo):
    return [path for path in sorted((repo / "ovwin_exe").rglob("*")) if path.suffix in (".cpp", ".h")]


def source_messages(repo):
    """Every string literal of the launcher's sources as a pattern whose
    printf conversions match any text."""
    patterns = []
    for path in sources(repo):
        for value in string_literals(path):
            pieces = _CONVERSION.split(value.replace("%%", "\0"))
            if sum(len(piece.strip()) for piece in pieces) < _MIN_FIXED:
                continue
            regex = ".*".join(re.escape(piece.replace("\0", "%")) for piece in pieces)
            patterns.append(re.compile(regex, re.DOTALL))
    return patterns


def literals(repo):
    return {value for path in sources(repo) for value in string_literals(path)}


def log_block_messages(text):
    """(line number, message) of the lines of ```log blocks, continuations
    joined to their line."""
    messages = []
    in_block = False
    for number, line in enumerate(text.splitlines(), 1):
        if line.startswith("```"):
            in_block = line.strip() == "```log"
            continue
        if not in_block or not line.strip() or line.strip() in ("...", "…"):
            continue
        if line.startswith(_CONTINUATION) and messages:
            previous_number, previous = messages[-1]
            messages[-1] = (previous_number, previous + " " + line.strip())
            continue
        messages.append((number, _LOG_PREFIX.sub("", line).strip()))
    return messages


def tables(text):
    """Each Markdown table as (header cells, rows of cells, line number of
    each row)."""
    found = []
    lines = text.splitlines()
    i = 0
    while i < len(lines):
        if lines[i].startswith("|") and i + 1 < len(lines) and re.match(r"^\|[\s:|-]+\|$", lines[i + 1]):
            header = [cell.strip() for cell in lines[i].strip("|").split("|")]
            rows, numbers = [], []
            i += 2
            while i < len(lines) and lines[i].startswith("|"):
                rows.append([cell.strip() for cell in re.split(r"(?<!\\)\|", lines[i].strip()[1:-1])])
                numbers.append(i + 1)
                i += 1
            found.append((header, rows, numbers))
        else:
            i += 1
    return found


def code_spans(cell):
    return [span.replace("\\|", "|") for span in re.findall(r"`([^`]+)`", cell)]


def parser_switches(repo):
    source = (repo / "ovwin_exe" / "launcher" / "command_line.cpp").read_text(encoding="latin-1")
    return set(re.findall(r'^\s*\{"([^"]+)", (?:nullptr|&LaunchOptionsRecord::\w+), ', source, re.MULTILINE))


def exit_codes(repo):
    source = (repo / "ovwin_exe" / "launcher" / "app_lifetime.h").read_text(encoding="latin-1")
    return {int(code) for code in re.findall(r"constexpr int32_t kExit\w+ = (\d+);", source)}


def check(repo):
    patterns = source_messages(repo)
    names = literals(repo)
    problems = []
    documented_switches, documented_codes = set(), set()
    switch_tables = code_tables = quoted = 0

    def known_line(message):
        return any(pattern.fullmatch(message) for pattern in patterns)

    for page in sorted((repo / "docs").glob("*.md")):
        text = page.read_text(encoding="utf-8")
        where = page.relative_to(repo)
        for number, message in log_block_messages(text):
            quoted += 1
            if not known_line(message):
                problems.append("%s:%d: the launcher writes no such line: %s" % (where, number, message))
        for header, rows, numbers in tables(text):
            first = header[0]
            for row, number in zip(rows, numbers):
                spans = code_spans(row[0])
                if first == "Log line":
                    for span in spans:
                        quoted += 1
                        if not known_line(span):
                            problems.append("%s:%d: the launcher writes no such line: %s" % (where, number, span))
                elif first == "Switch":
                    documented_switches.update(span.split()[0].lstrip("-") for span in spans)
                elif first == "Exit code":
                    documented_codes.update(int(code) for code in re.findall(r"\d+", row[0]))
                elif first in ("Value", "Mode word", "Shortcut"):
                    for span in spans:
                        if span not in names:
                            problems.append("%s:%d: the sources never name %r" % (where, number, span))
            switch_tables += first == "Switch"
            code_tables += first == "Exit code"

    switches, codes = parser_switches(repo), exit_codes(repo)
    if not switches or not codes:
        problems.append("could not read the parser's switches or the exit codes from the sources")
    if switch_tables and documented_switches != switches:
        problems.append("switches documented %s, the parser knows %s" % (sorted(documented_switches),
                                                                         sorted(switches)))
    if code_tables and documented_codes != codes:
        problems.append("exit codes documented %s, the launcher has %s" % (sorted(documented_codes), sorted(codes)))
    if not (switch_tables and code_tables and quoted):
        problems.append("docs/ holds no switch table, exit code table or quoted log line")
    for problem in problems:
        print(problem)
    print("%d log lines, %d switches, %d exit codes checked; %d problems" % (
        quoted, len(documented_switches), len(documented_codes), len(problems)))
    return 1 if problems else 0


if __name__ == "__main__":
    root = pathlib.Path(sys.argv[1] if len(sys.argv) > 1 else pathlib.Path(__file__).resolve().parent.parent)
    sys.exit(check(root))
