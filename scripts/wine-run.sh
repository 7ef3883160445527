#!/usr/bin/env bash
# Runs a Windows program under the project's Wine prefix; the exit code is the
# program's. Used by CTest as the emulator of the Windows build.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
# A 32-bit exe (PE machine 0x14c) without 32-bit Wine: refuse, never "pass".
if [[ -f "$1" ]] && ! wine32_present; then
  pe=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  if [[ -n "$pe" && "$(od -An -tx2 -j$((pe + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')" == 014c ]]; then
    echo "wine-run.sh: $1 is a 32-bit exe and this machine has no 32-bit Wine (scripts/wine32.sh)" >&2
    exit 77
  fi
fi
wine_prepare
exec wine "$@"
