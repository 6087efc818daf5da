#!/usr/bin/env bash
# Prints how many non-blank lines of source the repository holds and which
# share of them are tests: C++, Python, CMake and shell files under
# ovwin_exe, tools, tests, scripts and cmake, as git tracks them. Everything
# under tests/ (unit tests, scenarios, fuzzers, the harness, test programs)
# counts as test; the test tools under tools/ count as code.
#   scripts/test-share.sh [REVISION]   (default: the working tree)
set -euo pipefail
cd "$(dirname "$0")/.."
revision=${1:-}

list_files() {
    if [ -n "$revision" ]; then
        git ls-tree -r --name-only "$revision" -- ovwin_exe tools tests scripts cmake
    else
        git ls-files --cached --others --exclude-standard -- ovwin_exe tools tests scripts cmake
    fi
}

file_text() {
    if [ -n "$revision" ]; then
        git show "$revision:$1"
    elif [ -f "$1" ]; then
        cat "$1"
    fi
}

test_lines=0
code_lines=0
while read -r path; do
    case "$path" in
    *.cpp | *.h | *.py | *.cmake | */CMakeLists.txt | *.sh) ;;
    *) continue ;;
    esac
    lines=$(file_text "$path" | grep -c '[^[:space:]]' || true)
    case "$path" in
    tests/*) test_lines=$((test_lines + lines)) ;;
    *) code_lines=$((code_lines + lines)) ;;
    esac
done < <(list_files)

total=$((test_lines + code_lines))
if [ "$total" -eq 0 ]; then
    echo "test-share: no source lines found" >&2
    exit 1
fi
echo "code lines: $code_lines"
echo "test lines: $test_lines"
echo "test share: $((test_lines * 1000 / total / 10)).$((test_lines * 1000 / total % 10))%"
