#!/usr/bin/env bash
# Builds Ostrivel.exe for x86-64 and, where the 32-bit toolchain is installed,
# for x86, and writes the release package dist/Ostrivel-<version>-windows.zip
# (scripts/package.py: both exes, the user guide, SHA256SUMS.txt).
#
# The version is the CMake project version; a tree with uncommitted changes
# gets "-dirty" after it. Every zip entry carries the time of the last commit
# (SOURCE_DATE_EPOCH when set), so the same commit gives the same zip. Outside
# a git checkout (a source archive) SOURCE_DATE_EPOCH must be set.
#
#   scripts/release.sh           build and package
#   scripts/release.sh --name    print the package's path, build nothing
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

name_only=0
case "${1:-}" in
  "") ;;
  --name) name_only=1 ;;
  *) echo "usage: scripts/release.sh [--name]" >&2; exit 2 ;;
esac

say() { [[ $name_only -eq 1 ]] || echo "$@"; }

# Only a checkout whose top is this folder counts: a source archive unpacked
# inside some other repository is not that repository's commit.
in_git=0
if [[ "$(git rev-parse --show-toplevel 2>/dev/null || true)" == "$root" ]]; then in_git=1; fi

dirty=""
if [[ $in_git -eq 1 ]]; then
  epoch="${SOURCE_DATE_EPOCH:-$(git log -1 --format=%ct)}"
  if [[ -n "$(git status --porcelain)" ]]; then
    dirty="-dirty"
    say "release.sh: the tree has uncommitted changes; the version is labelled -dirty"
  fi
elif [[ -n "${SOURCE_DATE_EPOCH:-}" ]]; then
  epoch="$SOURCE_DATE_EPOCH"
else
  echo "release.sh: $root is not a git checkout; set SOURCE_DATE_EPOCH (the time of the commit it was taken from)" >&2
  exit 1
fi

# The project version as CMake has it: from the configured x86-64 tree.
cache=build/windows/CMakeCache.txt
if [[ $name_only -eq 0 ]]; then
  scripts/deps.sh
  env -u SOURCE_DATE_EPOCH cmake --preset windows >/dev/null
elif [[ ! -f $cache ]]; then
  cmake --preset windows >/dev/null
fi
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$cache")"
if [[ -z "$version" ]]; then echo "release.sh: no project version in $cache" >&2; exit 1; fi
version="$version$dirty"
zip="$root/dist/Ostrivel-$version-windows.zip"
if [[ $name_only -eq 1 ]]; then echo "$zip"; exit 0; fi

# The exes must not depend on when they are built, and a plain build knows
# no SOURCE_DATE_EPOCH: the compiler and the linker would take it for the
# dates they are told not to write, and hide a time that leaks. It dates only
# the zip entries.
build() { env -u SOURCE_DATE_EPOCH cmake "$@"; }

jobs=$(nproc)
echo "== Building Ostrivel.exe (x86-64)"
build --build --preset windows -j "$jobs" --target Ostrivel
args=(--x64 build/windows/Ostrivel.exe)

# The 32-bit exe: a missing preset or toolchain leaves it out with a message;
# once the toolchain is there, any failure stops the release.
if ! grep -q '"name": "windows-x86"' CMakePresets.json; then
  echo "release.sh: WARNING: no CMake preset windows-x86 in this tree; the package holds the 64-bit exe only" >&2
elif ! command -v i686-w64-mingw32-g++-posix >/dev/null; then
  echo "release.sh: WARNING: the 32-bit toolchain is missing (Debian packages g++-mingw-w64-i686-posix and" \
       "binutils-mingw-w64-i686); the package holds the 64-bit exe only" >&2
else
  echo "== Building Ostrivel.exe (x86)"
  build --preset windows-x86 >/dev/null
  build --build --preset windows-x86 -j "$jobs" --target Ostrivel
  args+=(--x86 build/windows-x86/Ostrivel.exe)
fi

mkdir -p dist
python3 scripts/package.py --version "$version" --epoch "$epoch" --guide docs/使用说明.txt "${args[@]}" --out "$zip"
echo "== Package: $zip ($(stat -c %s "$zip") bytes)"
echo "   SHA-256: $(sha256sum "$zip" | cut -d' ' -f1)"
