#!/bin/sh
# Runs one libFuzzer target:
#   run_fuzzer.sh FUZZER WORK_CORPUS ARTIFACT_DIR MERGE_CORPUS [SEED_DIR...]
# By default (ctest) it replays every input of the seed folders and then
# fuzzes briefly from them with a fixed seed and a fixed number of runs, so
# the same inputs give the same verdict on every run; what that run finds
# goes to a scratch folder that is removed afterwards.
# With OVWIN_FUZZ_SECONDS set (`make fuzz`) it fuzzes for that many seconds,
# with OVWIN_FUZZ_RUNS set (`make fuzz-long`) for that many executions,
# starting from the seeds and from WORK_CORPUS, and keeps the new inputs it
# finds in WORK_CORPUS. After a run of OVWIN_FUZZ_RUNS the inputs of
# WORK_CORPUS that reach something the committed corpus does not are merged
# into MERGE_CORPUS, and the run's figures are printed as one line (its whole
# output is kept in ARTIFACT_DIR/NAME-long.log).
# The seed folders are otherwise only read; those that do not exist are left
# out. Crashing inputs go to ARTIFACT_DIR.
set -eu
fuzzer=$1
work=$2
artifacts=$3
merge_into=$4
shift 4
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
runs=${OVWIN_FUZZ_RUNS:-0}

if [ "$runs" -gt 0 ]; then
    # A smaller quarantine of freed blocks than the default 256 MiB keeps the
    # memory an execution reuses in place: tabpack verify runs twice as fast,
    # and a block is still held back for thousands of allocations.
    export ASAN_OPTIONS="${ASAN_OPTIONS:-quarantine_size_mb=16}"
    mkdir -p "$work" "$merge_into"
    log="$artifacts/$name-long.log"
    started=$(date +%s)
    # shellcheck disable=SC2086 # the option and folder lists are split on purpose
    if ! "$fuzzer" -runs="$runs" -print_final_stats=1 $common "$work" $seeds >"$log" 2>&1; then
        tail -n 40 "$log"
        echo "$name: stopped with a finding after $(( $(date +%s) - started )) s; see $log and $artifacts"
        exit 1
    fi
    ended=$(date +%s)
    before=$(find "$merge_into" -type f | wc -l)
    "$fuzzer" -merge=1 $common "$merge_into" "$work" >>"$log" 2>&1
    after=$(find "$merge_into" -type f | wc -l)
    executed=$(sed -n 's/^stat::number_of_executed_units: *//p' "$log")
    speed=$(sed -n 's/^stat::average_exec_per_sec: *//p' "$log")
    echo "$name: $executed executions in $(( ended - started )) s ($speed exec/s), no crash;" \
        "$(( after - before )) new inputs merged into $merge_into"
    exit 0
fi

if [ "$seconds" -gt 0 ]; then
    mkdir -p "$work"
    # shellcheck disable=SC2086
    exec "$fuzzer" -max_total_time="$seconds" -print_final_stats=1 $common "$work" $seeds
fi

# The replay, then the short run: a scratch folder first, since libFuzzer
# writes what it finds into the first folder it is given.
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
# shellcheck disable=SC2086
"$fuzzer" -runs=0 $common $seeds
# shellcheck disable=SC2086
"$fuzzer" -seed=1 -runs="${OVWIN_FUZZ_SHORT_RUNS:-4000}" $common "$scratch" $seeds
