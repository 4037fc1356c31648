#!/usr/bin/env bash
# run-fuzzer.sh FUZZER WORKDIR [SEEDS]: a short libFuzzer run; new inputs go to WORKDIR, never to SEEDS.
set -euo pipefail
fuzzer=$1 work=$2 seeds=${3:-}
mkdir -p "$work/corpus"
args=("$work/corpus")
[ -n "$seeds" ] && [ -d "$seeds" ] && args+=("$seeds")
exec "$fuzzer" -max_total_time="${PNHOLD_FUZZ_SECONDS:-20}" -rss_limit_mb=2048 -timeout=10 \
     -artifact_prefix="$work/" "${args[@]}"
