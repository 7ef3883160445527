#!/usr/bin/env bash
# 32-bit Wine for a kernel that runs no 32-bit program (IA-32 emulation off):
# Debian's i386 Wine unpacked into build/wine32-qemu/root, never installed
# into the system, and run under a static qemu-i386 (user-mode emulation, no
# binfmt handler). Made once and reused; scripts/wine-env.sh (wine32_use)
# points Wine at it.
#
#   build/wine32-qemu/qemu-i386   from the backports' qemu-user (qemu 8 or
#                                 newer: 7.2 ignores MAP_FIXED_NOREPLACE and
#                                 each Wine process then takes ~40 s to start)
#   build/wine32-qemu/root/       wine32:i386 and its dependencies
#   build/wine32-qemu/bin/        wine, wineserver and wineboot for that Wine
#   build/wine32-qemu/ready       written last: only a complete set-up is used
#
# Nothing of the host's apt or dpkg state changes: apt runs with private
# lists, cache and an empty status file. No maintainer script runs; the one
# Wine needs (libwine's zlib1.dll) is done here. On success the script prints
# nothing but its progress and exits 0; on failure it prints
# "no 32-bit Wine: <what failed>" as its last line, exits 1, and leaves no
# ready marker, so the next run starts again from nothing.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
dir="$root/build/wine32-qemu"
sysroot="$dir/root"
work="$root/build/wine32-qemu.download"

fail() {
  echo "no 32-bit Wine: $*"
  exit 1
}
# Any other step that fails (a full disk, say) still says where.
trap 'fail "the set-up stopped at line $LINENO: $BASH_COMMAND"' ERR
# The first error line apt printed, for the reason.
first_error() { { grep -m1 '^E:' "$1" || grep -m1 '^Err:' "$1" || tail -n1 "$1"; } | sed 's/ *\[IP:.*//' | cut -c1-200; }

[[ -f "$dir/ready" ]] && exit 0
mkdir -p "$root/build"
exec 9>"$root/build/wine32-qemu.lock"
flock 9
[[ -f "$dir/ready" ]] && exit 0

start=$SECONDS
echo "wine32: setting up 32-bit Wine under qemu-i386 in $dir (once) ..."
rm -rf "$dir" "$work"
mkdir -p "$dir" "$work/lists/partial" "$work/cache/archives/partial" "$work/debs"
: >"$work/status"
trap 'rm -rf "$work"' EXIT

# The Debian mirror the host uses, and its release.
mirror=$(grep -hoE 'https?://[^ ]+/debian/?( |$)' /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
           /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n1 | tr -d ' ' || true)
mirror=${mirror:-http://deb.debian.org/debian/}
security=$(grep -hoE 'https?://[^ ]+/debian-security/?( |$)' /etc/apt/sources.list /etc/apt/sources.list.d/*.list \
             /etc/apt/sources.list.d/*.sources 2>/dev/null | head -n1 | tr -d ' ' || true)
security=${security:-http://deb.debian.org/debian-security/}
codename=$(. /etc/os-release && echo "${VERSION_CODENAME:-}")
[[ -n $codename ]] || fail "the Debian release is unknown (/etc/os-release has no VERSION_CODENAME)"
keyring=/usr/share/keyrings/debian-archive-keyring.gpg
cat >"$work/sources.list" <<EOF
deb [signed-by=$keyring] $mirror $codename main
deb [signed-by=$keyring] $mirror $codename-updates main
deb [signed-by=$keyring] $security $codename-security main
deb [signed-by=$keyring] $mirror $codename-backports main
EOF
private_apt() {
  local tool=$1 arch=$2
  shift 2
  "$tool" -q -o Dir::Etc::SourceList="$work/sources.list" -o Dir::Etc::SourceParts=/nonexistent \
    -o Dir::State::Lists="$work/lists" -o Dir::State::status="$work/status" -o Dir::Cache="$work/cache" \
    -o Dir::Cache::pkgcache= -o Dir::Cache::srcpkgcache= -o Debug::NoLocking=1 \
    -o APT::Architecture="$arch" -o APT::Architectures::="$arch" -o APT::Sandbox::User=root "$@"
}

# qemu-i386: the newest qemu-user the registry has, amd64, of which only
# that one static file is kept.
private_apt apt-get amd64 update >"$work/update-amd64.log" 2>&1 ||
  fail "apt-get update for qemu-user failed ($(first_error "$work/update-amd64.log"))"
qemu_version=$(private_apt apt-cache amd64 -o APT::Default-Release="$codename-backports" policy qemu-user 2>/dev/null |
                 sed -n 's/^ *Candidate: //p' || true)
[[ -n $qemu_version && $qemu_version != "(none)" ]] || fail "the registry has no qemu-user"
# 1:10.0.2+ds-... -> 10
qemu_major=$(sed -E 's/^[0-9]+://; s/[^0-9].*//' <<<"$qemu_version")
((qemu_major >= 8)) || fail "the registry's newest qemu-user is $qemu_version; Wine needs qemu 8 or newer"
(cd "$work/debs" && private_apt apt-get amd64 download "qemu-user=$qemu_version") >"$work/qemu.log" 2>&1 ||
  fail "downloading qemu-user $qemu_version failed ($(first_error "$work/qemu.log"))"
dpkg-deb --fsys-tarfile "$work"/debs/qemu-user_*.deb | tar -x -O ./usr/bin/qemu-i386 >"$dir/qemu-i386.part" ||
  fail "unpacking qemu-i386 from qemu-user $qemu_version failed"
chmod +x "$dir/qemu-i386.part"
mv "$dir/qemu-i386.part" "$dir/qemu-i386"
rm -f "$work"/debs/*.deb
qemu="$dir/qemu-i386"
"$qemu" --version >/dev/null 2>&1 || fail "$qemu does not run"

# wine32 (i386) with everything it depends on, as if nothing were installed.
private_apt apt-get i386 update >"$work/update-i386.log" 2>&1 ||
  fail "apt-get update for i386 failed ($(first_error "$work/update-i386.log"))"
private_apt apt-get i386 -y --download-only --no-install-recommends install wine32 libz-mingw-w64 \
  >"$work/download.log" 2>&1 || fail "downloading wine32:i386 failed ($(first_error "$work/download.log"))"
mkdir -p "$sysroot"
for deb in "$work"/cache/archives/*.deb; do
  dpkg-deb --fsys-tarfile "$deb" | tar -x --keep-directory-symlink -C "$sysroot" ||
    fail "unpacking $(basename "$deb") failed"
done
wine32_version=$(dpkg-deb -f "$work"/cache/archives/wine32_*.deb Version)
count=$(ls "$work"/cache/archives/*.deb | wc -l)
rm -rf "$work/cache"
# qemu -L serves every path that exists in the tree from the tree: the
# fonts, the font caches and home folders must be the host's.
rm -rf "$sysroot/usr/share/fonts" "$sysroot/var" "$sysroot/tmp" "$sysroot/home" "$sysroot/root"
ldconfig -r "$sysroot" || fail "ldconfig -r $sysroot failed"

# libwine's maintainer script: zlib1.dll from libz-mingw-w64, marked as a
# Wine builtin, in both DLL folders.
winelib="$sysroot/usr/lib/i386-linux-gnu/wine"
for pair in i686:i386 x86_64:x86_64; do
  src=$(echo "$sysroot/usr/${pair%%:*}-w64-mingw32/lib/"zlib*.dll)
  [[ -f $src ]] || fail "libz-mingw-w64 has no ${pair%%:*} zlib DLL"
  { head -c 64 "$src"; printf 'Wine builtin DLL'; head -c 16 /dev/zero; tail -c +97 "$src"; } \
    >"$winelib/${pair#*:}-windows/$(basename "$src")" || fail "writing $(basename "$src") failed"
done

# Wine starts every 32-bit child (wineboot, services, the exe) through the
# preloader next to its loader; Debian's wine32 has none, so this one runs
# the child under qemu as well.
printf '#!/bin/sh\nexec "%s" -L "%s" "$@"\n' "$qemu" "$sysroot" >"$sysroot/usr/lib/wine/wine-preloader"
chmod +x "$sysroot/usr/lib/wine/wine-preloader"

# The i386 fontconfig with the host's fonts and a cache of its own: in the
# system's cache folder its caches would hide the CJK font from both.
mkdir -p "$dir/fontconfig-cache"
cat >"$dir/fonts.conf" <<EOF
<?xml version="1.0"?>
<!DOCTYPE fontconfig SYSTEM "urn:fontconfig:fonts.dtd">
<fontconfig>
  <dir>/usr/share/fonts</dir>
  <cachedir>$dir/fontconfig-cache</cachedir>
  <include ignore_missing="yes">conf.d</include>
</fontconfig>
EOF

# The server: the host's wineserver64 speaks the same protocol when it is
# the same Wine; otherwise the i386 one, emulated too.
host_wine=$(dpkg-query -W -f='${Version}' wine64 2>/dev/null || true)
if [[ $host_wine == "$wine32_version" && -x /usr/lib/wine/wineserver64 ]]; then
  server="exec /usr/lib/wine/wineserver64 \"\$@\""
else
  server="exec \"$qemu\" -L \"$sysroot\" \"$sysroot/usr/lib/wine/wineserver32\" \"\$@\""
fi
mkdir -p "$dir/bin"
cat >"$dir/bin/wine" <<EOF
#!/bin/sh
# 32-bit Wine under qemu-i386 (made by scripts/wine32-qemu.sh).
export FONTCONFIG_FILE="$dir/fonts.conf" WINESERVER="$dir/bin/wineserver"
unset WINELOADER
exec "$qemu" -L "$sysroot" "$sysroot/usr/lib/wine/wine" "\$@"
EOF
printf '#!/bin/sh\n%s\n' "$server" >"$dir/bin/wineserver"
printf '#!/bin/sh\nexec "%s" wineboot "$@"\n' "$dir/bin/wine" >"$dir/bin/wineboot"
chmod +x "$dir/bin/wine" "$dir/bin/wineserver" "$dir/bin/wineboot"

WINEPREFIX="$work/probe-prefix" "$dir/bin/wine" --version >"$work/version.log" 2>&1 ||
  fail "the unpacked Wine does not start under qemu-i386 ($(tail -n1 "$work/version.log"))"
sync -f "$dir" 2>/dev/null || true
printf 'qemu-user %s\nwine32 %s (%s packages)\nserver %s\n' "$qemu_version" "$wine32_version" "$count" \
  "$([[ $server == *wineserver64* ]] && echo "the host's wineserver64" || echo "wineserver32 under qemu")" \
  >"$dir/ready.part"
mv "$dir/ready.part" "$dir/ready"
echo "wine32: 32-bit Wine $wine32_version under qemu-i386 $qemu_version ready in $((SECONDS - start)) s ($(du -sh "$dir" | cut -f1))"
