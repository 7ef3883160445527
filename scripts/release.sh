#!/usr/bin/env bash
# Builds Ostrivel.exe for x86-64 and, where the 32-bit toolchain is installed,
# for x86, and writes the release into dist/:
#
#   Ostrivel-<version>-windows.zip   both exes, the guide, SHA256SUMS.txt
#                                    (scripts/package.py): the portable choice
#   Ostrivel-<version>-x64.msi       Windows Installer packages for roll-out
#   Ostrivel-<version>-x86.msi       (scripts/make_msi.py)
#   SHA256SUMS.txt                   the SHA-256 of the zip and the packages
#
# With a code-signing certificate (scripts/codesign.sh: OSTRIVEL_SIGN_PFX,
# OSTRIVEL_SIGN_PASSWORD_FILE, optionally OSTRIVEL_SIGN_TIMESTAMP_URL) the
# exes are signed before they go into the zip and the packages, and the
# packages are signed too; without one, all is unsigned and the script says
# so. Everything is made in a staging folder and moved into dist/ only when
# all of it is complete: a failure leaves nothing of this version there.
#
# The version is the CMake project version; a tree with uncommitted changes
# gets "-dirty" after it. Every zip entry and every packaged file carries the
# time of the last commit (SOURCE_DATE_EPOCH when set), so the same commit
# gives the same zip and packages. Outside a git checkout (a source archive)
# SOURCE_DATE_EPOCH must be set.
#
#   scripts/release.sh              build and package
#   scripts/release.sh --name       print the zip's path, build nothing
#   scripts/release.sh --no-build   package the exes already built
#   scripts/release.sh --dist DIR   write into DIR instead of dist/
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
cd "$root"

name_only=0
no_build=0
dist="$root/dist"
while (($# > 0)); do
  case "$1" in
    --name) name_only=1 ;;
    --no-build) no_build=1 ;;
    --dist) [[ $# -ge 2 ]] || { echo "release.sh: --dist needs a folder" >&2; exit 2; }; dist="$(realpath -m "$2")"; shift ;;
    *) echo "usage: scripts/release.sh [--name] [--no-build] [--dist DIR]" >&2; exit 2 ;;
  esac
  shift
done

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
if [[ $name_only -eq 0 && $no_build -eq 0 ]]; then
  scripts/deps.sh
  env -u SOURCE_DATE_EPOCH cmake --preset windows >/dev/null
elif [[ ! -f $cache ]]; then
  cmake --preset windows >/dev/null
fi
version="$(sed -n 's/^CMAKE_PROJECT_VERSION:STATIC=//p' "$cache")"
if [[ -z "$version" ]]; then echo "release.sh: no project version in $cache" >&2; exit 1; fi
version="$version$dirty"
zip_name="Ostrivel-$version-windows.zip"
if [[ $name_only -eq 1 ]]; then echo "$dist/$zip_name"; exit 0; fi

# Nothing of this version stays from an earlier run: whatever happens from
# here on, dist/ holds either all of this run or none of it.
for name in "$zip_name" SHA256SUMS.txt Ostrivel-"$version"-{x64,x86}.msi; do rm -f "$dist/$name"; done

scripts/deps.sh wixl msitools faketime osslsigncode openssl
source scripts/codesign.sh
if codesign_enabled; then
  codesign_check
  echo "== Signing with $(basename "$OSTRIVEL_SIGN_PFX")${OSTRIVEL_SIGN_TIMESTAMP_URL:+, time stamps from $OSTRIVEL_SIGN_TIMESTAMP_URL}"
else
  echo "release.sh: no code-signing certificate (OSTRIVEL_SIGN_PFX is not set): the exes and packages are unsigned"
fi

# The exes must not depend on when they are built, and a plain build knows
# no SOURCE_DATE_EPOCH: the compiler and the linker would take it for the
# dates they are told not to write, and hide a time that leaks. It dates only
# the zip entries and the packages.
build() { env -u SOURCE_DATE_EPOCH cmake "$@"; }

jobs=$(nproc)
declare -A exes=([x64]=build/windows/Ostrivel.exe)
if [[ $no_build -eq 0 ]]; then
  echo "== Building Ostrivel.exe (x86-64)"
  build --build --preset windows -j "$jobs" --target Ostrivel
fi

# The 32-bit exe: a missing preset or toolchain leaves it out with a message;
# once the toolchain is there, any failure stops the release.
if ! grep -q '"name": "windows-x86"' CMakePresets.json; then
  echo "release.sh: WARNING: no CMake preset windows-x86 in this tree; the release holds the 64-bit exe only" >&2
elif ! command -v i686-w64-mingw32-g++-posix >/dev/null; then
  echo "release.sh: WARNING: the 32-bit toolchain is missing (Debian packages g++-mingw-w64-i686-posix and" \
       "binutils-mingw-w64-i686); the release holds the 64-bit exe only" >&2
else
  if [[ $no_build -eq 0 ]]; then
    echo "== Building Ostrivel.exe (x86)"
    build --preset windows-x86 >/dev/null
    build --build --preset windows-x86 -j "$jobs" --target Ostrivel
  fi
  exes[x86]=build/windows-x86/Ostrivel.exe
fi
for arch in "${!exes[@]}"; do
  [[ -f ${exes[$arch]} ]] || { echo "release.sh: ${exes[$arch]} is not built" >&2; exit 1; }
done

mkdir -p "$dist"
stage=$(mktemp -d "$dist/.release-XXXXXX")
trap 'rm -rf "$stage"' EXIT

zip_args=()
for arch in "${!exes[@]}"; do
  mkdir -p "$stage/$arch"
  if codesign_enabled; then
    codesign_file "${exes[$arch]}" "$stage/$arch/Ostrivel.exe"
  else
    cp "${exes[$arch]}" "$stage/$arch/Ostrivel.exe"
  fi
  zip_args+=("--$arch" "$stage/$arch/Ostrivel.exe")
done

echo "== Packaging"
python3 scripts/package.py --version "$version" --epoch "$epoch" --guide docs/使用说明.txt "${zip_args[@]}" \
  --out "$stage/$zip_name"
made=("$zip_name")
for arch in x64 x86; do
  [[ -n "${exes[$arch]:-}" ]] || continue
  msi="Ostrivel-$version-$arch.msi"
  python3 scripts/make_msi.py --arch "$arch" --version "$version" --epoch "$epoch" \
    --exe "$stage/$arch/Ostrivel.exe" --guide docs/使用说明.txt --out "$stage/$msi.unsigned"
  if codesign_enabled; then
    codesign_file "$stage/$msi.unsigned" "$stage/$msi"
  else
    mv "$stage/$msi.unsigned" "$stage/$msi"
  fi
  made+=("$msi")
done
# Lines end in CR LF so Notepad shows them; `sha256sum -c` reads them too.
(cd "$stage" && for name in "${made[@]}"; do printf '%s  %s\r\n' "$(sha256sum "$name" | cut -d' ' -f1)" "$name"; done) \
  >"$stage/SHA256SUMS.txt"

# Complete: into dist/, the checksums last.
for name in "${made[@]}" SHA256SUMS.txt; do mv "$stage/$name" "$dist/$name"; done
for name in "${made[@]}"; do
  echo "== $dist/$name ($(stat -c %s "$dist/$name") bytes)"
  echo "   SHA-256: $(sha256sum "$dist/$name" | cut -d' ' -f1)"
done
