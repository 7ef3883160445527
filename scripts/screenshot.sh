#!/usr/bin/env bash
# Remakes the README's screenshot, docs/screenshot.png (or the path given):
# builds Ostrivel.exe and the window probe, starts the program under Wine on a
# virtual display of its own (or $DISPLAY when set), types 50, presses F5 and
# captures the window. Run it again whenever the window changes.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$(realpath -m "${1:-$root/docs/screenshot.png}")"
cd "$root"

scripts/deps.sh
cmake --preset windows >/dev/null
cmake --build --preset windows -j "$(nproc)" --target Ostrivel window_probe
source scripts/wine-env.sh

trap wine_session_stop EXIT
wine_session_start

export OSTRIVEL_EXE="$root/build/windows/Ostrivel.exe"
export OSTRIVEL_BUILD_DIR="$root/build/windows"
export OSTRIVEL_PROBE_DIR="$root/build/windows/tests/e2e"
export OSTRIVEL_WINE_RUN="$root/scripts/wine-run.sh"
export OSTRIVEL_SOURCE_DIR="$root"
python3 scripts/screenshot.py "$out"
