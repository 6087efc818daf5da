#!/bin/sh
# Runs one libFuzzer target:
#   run_fuzzer.sh FUZZER WORK_CORPUS ARTIFACT_DIR [SEED_DIR...]
# By default it replays every input of the seed folders once and stops
# (-runs=0): the same inputs, the same verdict, on every run. With
# OVWIN_FUZZ_SECONDS set (`make fuzz` sets it) it fuzzes for that many
# seconds, starting from the seeds and from WORK_CORPUS, and keeps the new
# inputs it finds in WORK_CORPUS. The seed folders are only read; those
# that do not exist are left out. Crashing inputs go to ARTIFACT_DIR.
set -eu
fuzzer=$1
work=$2
artifacts=$3
shift 3
mkdir -p "$artifacts"
name=$(basename "$fuzzer")
seeds=""
for folder in "$@"; do
    if [ -d "$folder" ]; then
        seeds="$seeds $folder"
    fi
done
common="-timeout=10 -rss_limit_mb=2048 -artifact_prefix=$artifacts/$name-"
seconds=${OVWIN_FUZZ_SECONDS:-0}
if [ "$seconds" -eq 0 ]; then
    # shellcheck disable=SC2086 # the option and folder lists are split on purpose
    exec "$fuzzer" -runs=0 $common $seeds
fi
mkdir -p "$work"
# shellcheck disable=SC2086
exec "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 $common "$work" $seeds
