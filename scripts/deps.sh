#!/usr/bin/env bash
# Installs the Debian packages the build and the tests need, once: nothing is
# fetched when they are all present already.
#
#   scripts/deps.sh              the build's and the tests' packages
#   scripts/deps.sh PACKAGE...   these packages instead (a script's own tools)
set -euo pipefail

packages=(
  cmake ninja-build g++ gcc python3
  g++-mingw-w64-x86-64-posix gcc-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64
  g++-mingw-w64-i686-posix gcc-mingw-w64-i686-posix binutils-mingw-w64-i686 g++-multilib
  # qemu-i386 runs the native 32-bit tests where the kernel cannot; the tests
  # start it by name, and --no-install-recommends keeps qemu-user-binfmt out.
  qemu-user
  wine wine64 xvfb xdotool xclip x11-utils imagemagick fonts-wqy-microhei
  googletest libbenchmark-dev libmuparser-dev
  clang-14 libclang-rt-14-dev
)

if (($# > 0)); then packages=("$@"); fi

missing=()
for p in "${packages[@]}"; do
  status=$(dpkg-query -W -f='${Status}' "$p" 2>/dev/null || true)
  [[ "$status" == "install ok installed" ]] || missing+=("$p")
done

if ((${#missing[@]} > 0)); then
  echo "Installing: ${missing[*]}"
  SUDO=""
  if [[ $(id -u) -ne 0 ]]; then SUDO="sudo"; fi
  export DEBIAN_FRONTEND=noninteractive
  $SUDO apt-get update -q
  $SUDO apt-get install -y -q --no-install-recommends "${missing[@]}"
fi
