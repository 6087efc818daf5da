#!/usr/bin/env bash
# Installs the Debian packages the build, the tests and the demo need, and
# nothing when they are all present already (a second run is a no-op).
set -euo pipefail

packages=(
    g++-mingw-w64-x86-64 # the Windows cross compiler, windres and objdump
    wine wine64          # the Win32 implementation the tests run on
    xvfb                 # a screen for windows and dialogs
    cmake ninja-build make
    clang libclang-rt-14-dev # host build: sanitizers and libFuzzer
    googletest               # GoogleTest sources, built for both targets
    clang-format
    python3 # the Wine test harness and the artwork generator
    liblnk-utils      # lnkinfo: the tests read the launcher's shortcuts back with it
    fonts-dejavu-core # real TrueType files for the font scenarios
    util-linux # mount, flock
    libssl-dev # tabpack's signatures on Linux: OpenSSL's libcrypto
    openssl    # the tests check tabpack's signatures against OpenSSL's command line
    time       # make bench: /usr/bin/time -v reads the launcher's peak memory
)

missing=()
for package in "${packages[@]}"; do
    status=$(dpkg-query -W -f='${Status}' "$package" 2>/dev/null || true)
    if [ "$status" != "install ok installed" ]; then
        missing+=("$package")
    fi
done

if [ ${#missing[@]} -eq 0 ]; then
    exit 0
fi

echo "ensure-deps: installing ${missing[*]}"
if [ "$(id -u)" -ne 0 ]; then
    if command -v sudo >/dev/null 2>&1; then
        run_as_root=(sudo)
    else
        echo "ensure-deps: these packages are missing and installing them needs root: ${missing[*]}" >&2
        exit 1
    fi
else
    run_as_root=()
fi

export DEBIAN_FRONTEND=noninteractive
"${run_as_root[@]}" apt-get update -q
"${run_as_root[@]}" apt-get install -y -q --no-install-recommends "${missing[@]}"
