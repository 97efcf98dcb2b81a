#!/usr/bin/env bash
# Builds the release twice more from the commit that DIST was built from and
# checks that the bytes are the same: once in a fresh clone in another
# folder, with another time zone, umask and locale, and a clock two days
# ahead; once from the source tarball, unpacked in a third folder with no
# git, which must give the same binary packages (it makes no source tarball
# itself). Differences are listed; diffoscope shows what they are.
# Usage: check_reproducible.sh DIST
set -u
dist=$(realpath "$1")
source_dir=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0

same() {  # same NAME OTHER_DIST: every file of OTHER_DIST is as in DIST
  local differing
  differing=$(cd "$2" && for file in *; do cmp -s "$file" "$dist/$file" || echo "$file"; done)
  if [ -z "$differing" ] && [ -n "$(ls "$2")" ]; then
    echo "ok: $1: $(ls "$2" | wc -l) files, byte for byte the same"
  else
    echo "FAIL: $1: these differ: $differing"
    failed=1
  fi
}

[ -z "$(git -C "$source_dir" status --porcelain --untracked-files=no)" ] ||
  echo "note: the work tree has changes that are not committed; only the commit is rebuilt"

git clone -q "$source_dir" "$scratch/clone"
(cd "$scratch/clone" && umask 0077 && TZ=Pacific/Kiritimati LC_ALL=C.UTF-8 \
  faketime -f +2d make --no-print-directory dist) >"$scratch/clone.log" 2>&1 ||
  { echo "FAIL: make dist in a clone:"; tail -30 "$scratch/clone.log"; exit 1; }
same "a clone, built elsewhere and later, in another time zone and umask" "$scratch/clone/dist"

tarball=$(ls "$dist"/cpubusy-*[0-9].tar.gz)
mkdir "$scratch/unpacked"
tar -xzf "$tarball" -C "$scratch/unpacked"
(cd "$scratch/unpacked"/* && umask 0022 && TZ=America/St_Johns make --no-print-directory dist) \
  >"$scratch/unpacked.log" 2>&1 ||
  { echo "FAIL: make dist from the source tarball:"; tail -30 "$scratch/unpacked.log"; exit 1; }
rm "$scratch/unpacked"/*/dist/SHA256SUMS  # it lists no source tarball
same "the source tarball, built without git" "$scratch/unpacked"/*/dist
exit $failed
