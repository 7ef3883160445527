#!/usr/bin/env bash
# Runs a Windows program under the project's Wine prefix; the exit code is the
# program's. Used by CTest as the emulator of the Windows build.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
wine_prepare
exec wine "$@"
