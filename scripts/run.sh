#!/usr/bin/env bash
# Builds Ostrivel.exe and starts it under Wine. Arguments go to the program,
# so `scripts/run.sh --selftest [path]` runs the self-test (exit code 0, 2 or 3)
# and `scripts/run.sh --verify [path]` the verification run (0, 4 or 3).
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
invocation_dir="$PWD"
cd "$root"
scripts/deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows --target Ostrivel
source scripts/wine-env.sh

windowless=0
for arg in "$@"; do [[ "$arg" == *--selftest* || "$arg" == *--verify* ]] && windowless=1; done
if [[ $windowless -eq 0 && -z "${DISPLAY:-}" ]]; then
  echo "No display (DISPLAY is unset), so the window cannot open; the self-test and the verification need none: scripts/run.sh --selftest|--verify [path]"
  exit 1
fi

wine_prepare
cd "$invocation_dir"
set +e
wine "$root/build/windows/Ostrivel.exe" "$@"
rc=$?
wineserver -w
exit $rc
