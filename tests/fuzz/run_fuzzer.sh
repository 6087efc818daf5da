#!/bin/sh
# Runs one libFuzzer target for a bounded time:
#   run_fuzzer.sh FUZZER SECONDS WORK_CORPUS ARTIFACT_DIR [SEED_DIR...]
# OVWIN_FUZZ_SECONDS, when set, replaces SECONDS (`make fuzz` sets it). New
# inputs go to WORK_CORPUS; the seed folders are only read, and those that
# do not exist are left out.
set -eu
fuzzer=$1
seconds=${OVWIN_FUZZ_SECONDS:-$2}
work=$3
artifacts=$4
shift 4
mkdir -p "$work" "$artifacts"
name=$(basename "$fuzzer")
seeds=""
for folder in "$@"; do
    if [ -d "$folder" ]; then
        seeds="$seeds $folder"
    fi
done
# shellcheck disable=SC2086 # the seed folders are split on purpose
exec "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
    -artifact_prefix="$artifacts/$name-" "$work" $seeds
