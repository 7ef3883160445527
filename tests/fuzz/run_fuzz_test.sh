#!/bin/sh
# One bounded fuzz run for the test suite: fuzzer, seed corpus, scratch
# directory, seconds, and optionally a dictionary. The seeds are copied so the
# committed corpus stays as it is; the run fails on any property violation,
# crash or sanitizer report, and the failing input is left in
# <scratch>/artifacts.
set -eu
fuzzer=$1
seeds=$2
scratch=$3
seconds=$4
dict=${5:-}
rm -rf "$scratch"
mkdir -p "$scratch/corpus" "$scratch/artifacts"
cp "$seeds"/* "$scratch/corpus/"
set -- -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  -artifact_prefix="$scratch/artifacts/"
if [ -n "$dict" ]; then set -- "$@" -dict="$dict"; fi
exec "$fuzzer" "$@" "$scratch/corpus"
