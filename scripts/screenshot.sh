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

cleanup() {
  wineserver -k 2>/dev/null || true
  if [[ -n "${xvfb_pid:-}" ]]; then kill "$xvfb_pid" 2>/dev/null || true; fi
}
trap cleanup EXIT

if [[ -z "${DISPLAY:-}" ]]; then
  for n in $(seq 90 120); do
    [[ -e /tmp/.X11-unix/X$n || -e /tmp/.X$n-lock ]] && continue
    Xvfb ":$n" -screen 0 1280x1024x24 -nolisten tcp >/dev/null 2>&1 &
    xvfb_pid=$!
    export DISPLAY=":$n"
    break
  done
  for _ in $(seq 1 50); do
    xdpyinfo >/dev/null 2>&1 && break
    sleep 0.1
  done
fi

wine_prepare
wineserver -p
wine cmd /c exit </dev/null >/dev/null 2>&1 || true

export OSTRIVEL_EXE="$root/build/windows/Ostrivel.exe"
export OSTRIVEL_BUILD_DIR="$root/build/windows"
export OSTRIVEL_PROBE_DIR="$root/build/windows/tests/e2e"
export OSTRIVEL_WINE_RUN="$root/scripts/wine-run.sh"
export OSTRIVEL_SOURCE_DIR="$root"
python3 scripts/screenshot.py "$out"
