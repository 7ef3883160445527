#!/usr/bin/env bash
# Longer fuzzing than the test suite's bounded runs.
#
#   scripts/fuzz-long.sh [-t SECONDS] [TARGET...]
#
# Builds the fuzz preset (clang 14, libFuzzer, ASan + UBSan) and runs each
# target (default: all of formula numbers format_value text reports) for
# SECONDS (default 120) in one process. The corpus of each target grows in
# <build>/long/<target>/corpus, seeded from tests/fuzz/corpus/<target> and
# kept between runs; a failing input lands in <build>/long/<target>/artifacts
# (reproduce with: <build>/tests/fuzz/fuzz_<target> <file>). Ends with a
# table of executions and coverage (libFuzzer's cov/ft) per target and
# exits 1 if any target failed. The build directory is build/fuzz, or
# $FUZZ_BUILD_DIR.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

seconds=120
if [[ "${1:-}" == "-t" ]]; then
  seconds=$2
  shift 2
fi
targets=("$@")
if [[ ${#targets[@]} -eq 0 ]]; then targets=(formula numbers format_value text reports); fi
build="${FUZZ_BUILD_DIR:-$root/build/fuzz}"

cmake --preset fuzz -B "$build" >/dev/null
cmake --build "$build" -j "$(nproc)"

status=0
summary=()
for t in "${targets[@]}"; do
  work="$build/long/$t"
  mkdir -p "$work/corpus" "$work/artifacts"
  cp -n tests/fuzz/corpus/"$t"/* "$work/corpus/" 2>/dev/null || true
  args=(-max_total_time="$seconds" -timeout=10 -rss_limit_mb=2048 -print_final_stats=1
        -artifact_prefix="$work/artifacts/")
  [[ -f tests/fuzz/$t.dict ]] && args+=(-dict="tests/fuzz/$t.dict")
  # Long texts reach the number readers' paths for numbers of any length.
  [[ $t == numbers ]] && args+=(-max_len=12000)
  echo "== fuzz_$t for ${seconds}s"
  result=ok
  "$build/tests/fuzz/fuzz_$t" "${args[@]}" "$work/corpus" >"$work/log.txt" 2>&1 || { result=FAILED; status=1; }
  runs=$(sed -n 's/^stat::number_of_executed_units: *//p' "$work/log.txt" | tail -1)
  cov=$(grep -Eo 'cov: [0-9]+ ft: [0-9]+' "$work/log.txt" | tail -1)
  summary+=("$(printf '%-13s %-7s %12s executions  %s' "$t" "$result" "${runs:-?}" "${cov:-}")")
  if [[ $result != ok ]]; then grep -E 'property failed|ERROR|SUMMARY' "$work/log.txt" | head -5 || true; fi
done
echo
printf '%s\n' "${summary[@]}"
exit $status
