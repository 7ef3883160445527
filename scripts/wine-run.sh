#!/usr/bin/env bash
# Runs a Windows program under the project's Wine prefix; the exit code is the
# program's. Used by CTest as the emulator of the Windows build.
source "$(dirname "${BASH_SOURCE[0]}")/wine-env.sh"
# A 32-bit exe (PE machine 0x14c): under qemu-i386 where the kernel runs no
# 32-bit program, refused without any 32-bit Wine, never "passed".
if [[ -f "$1" ]]; then
  pe=$(od -An -tu4 -j60 -N4 "$1" 2>/dev/null | tr -d ' ')
  if [[ -n "$pe" && "$(od -An -tx2 -j$((pe + 4)) -N2 "$1" 2>/dev/null | tr -d ' ')" == 014c ]]; then
    case "$(wine32_way)" in
      native) bits=32 ;;
      qemu) wine32_use ;;
      *)
        echo "wine-run.sh: $1 is a 32-bit exe and this machine has no 32-bit Wine ($(cat "$OSTRIVEL_ROOT/build/wine32-status.txt" 2>/dev/null || echo "scripts/wine32.sh"))" >&2
        exit 77
        ;;
    esac
  fi
fi
wine_prepare
# Everything else in its 64-bit form: where wine32:i386 is installed, Debian's
# wine command starts its 32-bit loader, and Windows' own programs then run
# as their 32-bit selves (msiexec, and reg, which then reads the 32-bit view
# of the registry).
if [[ ${OSTRIVEL_WINE_BITS:-} != 32 && -z ${bits:-} && -x /usr/lib/wine/wine64 ]]; then
  exec /usr/lib/wine/wine64 "$@"
fi
exec wine "$@"
