#!/bin/sh
# One bounded fuzz run for the test suite: fuzzer, seed corpus, scratch
# directory, seconds. The seeds are copied so the committed corpus stays as
# it is; the run fails on any property violation, crash or sanitizer report.
set -eu
fuzzer=$1
seeds=$2
scratch=$3
seconds=$4
rm -rf "$scratch"
mkdir -p "$scratch/corpus" "$scratch/artifacts"
cp "$seeds"/* "$scratch/corpus/"
exec "$fuzzer" -max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 \
  -print_final_stats=1 -artifact_prefix="$scratch/artifacts/" "$scratch/corpus"
