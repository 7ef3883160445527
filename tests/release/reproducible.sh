#!/usr/bin/env bash
# The same commit gives the same release: HEAD is exported into two folders of
# different names and depths, each builds its release with scripts/release.sh
# at its own time, and the SHA-256 of the zip, of every file in it, of both
# Windows Installer packages, of the release's SHA256SUMS.txt and of the built
# exes must agree. Neither copy's folder may appear inside an exe.
set -euo pipefail
root="${OSTRIVEL_SOURCE_DIR:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}"

commit=$(git -C "$root" rev-parse HEAD)
export SOURCE_DATE_EPOCH=$(git -C "$root" log -1 --format=%ct)
if [[ -n "$(git -C "$root" status --porcelain)" ]]; then
  echo "note: uncommitted changes are not part of this check; it builds HEAD $commit"
fi

work=$(mktemp -d "${TMPDIR:-/tmp}/ostrivel-repro.XXXXXX")
trap 'rm -rf "$work"' EXIT
copies=("$work/a" "$work/second-copy/ostrivel-source")

hashes() {   # the SHA-256 of the release's files, of every file in the zip and of the exes
  local copy=$1 zip
  zip=$(ls "$copy"/dist/*.zip)
  mkdir -p "$copy/unpacked"
  python3 -c 'import sys, zipfile; zipfile.ZipFile(sys.argv[1], metadata_encoding="gbk").extractall(sys.argv[2])' \
    "$zip" "$copy/unpacked"
  (cd "$copy" && sha256sum dist/*.zip dist/*.msi dist/SHA256SUMS.txt build/windows*/Ostrivel.exe)
  (cd "$copy/unpacked" && find . -type f | LC_ALL=C sort | xargs -d '\n' sha256sum)
}

for copy in "${copies[@]}"; do
  mkdir -p "$copy"
  git -C "$root" archive "$commit" | tar -x -C "$copy"
  start=$SECONDS
  # Low priority: the tests running beside this one keep their pace.
  if ! (cd "$copy" && nice -n 10 scripts/release.sh) >"$work/$(basename "$copy").log" 2>&1; then
    tail -n 40 "$work/$(basename "$copy").log"
    echo "FAIL: scripts/release.sh failed in $copy"
    exit 1
  fi
  grep -h '^release.sh: WARNING' "$work/$(basename "$copy").log" || true
  echo "built and packaged $copy in $((SECONDS - start)) s"
  hashes "$copy" >"$copy.sha256"
  for exe in "$copy"/build/windows*/Ostrivel.exe; do
    if grep -qaF "$work" "$exe"; then echo "FAIL: $exe holds its build folder's path"; exit 1; fi
  done
done

cat "${copies[0]}.sha256"
if ! diff "${copies[0]}.sha256" "${copies[1]}.sha256"; then
  echo "FAIL: the two copies of $commit built different bytes (lines above: < first copy, > second)"
  exit 1
fi
echo "PASS: both copies of $commit gave identical bytes ($(wc -l <"${copies[0]}.sha256") files compared)"
