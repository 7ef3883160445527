#!/usr/bin/env bash
# Tries to give this machine 32-bit Wine, so that the 32-bit exe's Windows
# tests can run: Debian's wine32:i386 where the kernel runs 32-bit programs;
# where it cannot (IA-32 emulation off), the i386 Wine under qemu-i386 in the
# build tree instead (scripts/wine32-qemu.sh). A failure is tolerated and
# changes nothing: the reason goes to build/wine32-status.txt, whose line the
# skipped 32-bit tests report, and the script exits 0.
#
# The machine's own package set-up is touched only when it can work: a dry
# run with private package lists (amd64 + i386) comes first, and only when it
# shows wine32:i386 installable is the i386 architecture added for real. Added
# i386 indexes are what break apt-get update (an inconsistent index of the
# registry fails it with exit 100), so when the real attempt fails the i386
# architecture is removed again and the 64-bit set-up stays as it was.
# OSTRIVEL_TRY_WINE32=0 skips the attempt.
set -uo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
status="$root/build/wine32-status.txt"
mkdir -p "$root/build"

source "$root/scripts/wine-env.sh"
have_wine32() { wine32_present; }
# The outcome, shown now and kept for the tests' skip reason.
finish() {
  echo "wine32: $1"
  echo "$1" >"$status"
  exit 0
}
# The first error line apt printed, for the reason.
first_error() { { grep -m1 '^E:' "$1" || grep -m1 '^Err:' "$1"; } | sed 's/ *\[IP:.*//' | cut -c1-200; }

# The i386 Wine under qemu-i386 in the build tree (scripts/wine32-qemu.sh),
# set up once and then reused; its last line says what failed.
emulated() {
  if [[ "${OSTRIVEL_TRY_WINE32:-1}" == 0 && ! -f "$root/build/wine32-qemu/ready" ]]; then
    finish "no 32-bit Wine: not tried (OSTRIVEL_TRY_WINE32=0)"
  fi
  local log
  log=$(mktemp)
  if "$root/scripts/wine32-qemu.sh" 2>&1 | tee "$log"; then
    rm -f "$log"
    finish "32-bit Wine $(sed -n 's/^wine32 \([^ ]*\).*/\1/p' "$root/build/wine32-qemu/ready") under qemu-i386"
  fi
  local reason
  reason=$(tail -n1 "$log")
  rm -f "$log"
  finish "${1}${reason#no 32-bit Wine: }"
}
# OSTRIVEL_WINE32=qemu: the emulated one even where the kernel runs 32-bit
# programs, to try it there.
[[ "${OSTRIVEL_WINE32:-}" == qemu ]] && emulated "no 32-bit Wine under qemu-i386: "

have_wine32 && finish "32-bit Wine is installed"

# A kernel without IA-32 emulation runs no 32-bit program at all. There
# wine32:i386 must not stay: Debian's wine command prefers its 32-bit loader
# whenever it is installed, and so 64-bit Wine would fail too.
runs_32bit() {
  local probe
  probe=$(mktemp) || return 1
  printf 'int main(void) { return 0; }\n' | gcc -m32 -x c - -o "$probe" >/dev/null 2>&1 && "$probe" 2>/dev/null
  local rc=$?
  rm -f "$probe"
  return $rc
}
if ! runs_32bit; then
  if [[ "$(dpkg-query -W -f='${Status}' wine32:i386 2>/dev/null)" == "install ok installed" ]]; then
    echo "wine32: this kernel cannot run 32-bit programs; removing wine32:i386, which would break 64-bit Wine"
    DEBIAN_FRONTEND=noninteractive $([[ $(id -u) -ne 0 ]] && echo sudo) apt-get -o DPkg::Lock::Timeout=600 -q remove -y wine32:i386 >/dev/null 2>&1 ||
      echo "wine32: could not remove wine32:i386" >&2
  fi
  emulated "no 32-bit Wine: this kernel cannot run 32-bit programs (IA-32 emulation is off) and its set-up under qemu-i386 failed: "
fi
[[ "${OSTRIVEL_TRY_WINE32:-1}" == 0 ]] && finish "no 32-bit Wine: not tried (OSTRIVEL_TRY_WINE32=0)"
host=$(dpkg --print-architecture 2>/dev/null) || finish "no 32-bit Wine: not a Debian system (no dpkg)"
[[ "$host" == amd64 ]] || finish "no 32-bit Wine: the host is $host, not amd64"
SUDO=""
if [[ $(id -u) -ne 0 ]]; then
  sudo -n true 2>/dev/null || finish "no 32-bit Wine: installing wine32:i386 needs root"
  SUDO="sudo"
fi
export DEBIAN_FRONTEND=noninteractive
lock=(-o DPkg::Lock::Timeout=600)

# Dry run: private lists and cache, the machine's own untouched.
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
mkdir -p "$tmp/lists/partial" "$tmp/cache/archives/partial"
probe=(-q -o APT::Architectures::=amd64 -o APT::Architectures::=i386 -o "Dir::State::Lists=$tmp/lists"
       -o "Dir::Cache=$tmp/cache" -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache=)
echo "wine32: dry run of installing wine32:i386 ..."
if ! apt-get "${probe[@]}" update >"$tmp/update.log" 2>&1; then
  finish "no 32-bit Wine: apt-get update with the i386 architecture failed ($(first_error "$tmp/update.log"))"
fi
if ! apt-get "${probe[@]}" -s install --no-install-recommends wine32:i386 >"$tmp/install.log" 2>&1; then
  finish "no 32-bit Wine: wine32:i386 cannot be installed ($(first_error "$tmp/install.log"))"
fi
if grep -q '^Remv ' "$tmp/install.log"; then
  finish "no 32-bit Wine: installing wine32:i386 would remove $(grep -c '^Remv ' "$tmp/install.log") packages"
fi

# The real attempt.
added=0
if ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386 && added=1
fi
if $SUDO apt-get "${lock[@]}" -q update >"$tmp/real.log" 2>&1 &&
   $SUDO apt-get "${lock[@]}" -q install -y --no-install-recommends wine32:i386 >>"$tmp/real.log" 2>&1 &&
   have_wine32; then
  finish "32-bit Wine is installed"
fi
reason=$(first_error "$tmp/real.log")
# Back to the 64-bit set-up: whatever of the i386 packages went in goes out
# again, then the architecture.
if ((added)); then
  $SUDO dpkg --configure -a >/dev/null 2>&1
  if dpkg-query -W -f='${Architecture}\n' 2>/dev/null | grep -qx i386; then
    $SUDO apt-get "${lock[@]}" -q purge -y '?architecture(i386)' >/dev/null 2>&1
  fi
  $SUDO dpkg --remove-architecture i386 || echo "wine32: could not remove the i386 architecture again" >&2
fi
finish "no 32-bit Wine: installing wine32:i386 failed (${reason:-apt-get gave no error line})"
