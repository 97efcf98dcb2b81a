#!/usr/bin/env bash
# Builds the release twice more from the commit that DIST was built from and
# checks that the bytes are the same: once in a fresh clone in another
# folder, on another file system where /dev/shm is one, with another time
# zone, umask and locale, and a clock two days ahead; once from the source
# tarball, unpacked in a third folder with no git, which must give the same
# binary packages (it makes no source tarball itself). Differences are
# listed; diffoscope shows what they are.
# Time zones are POSIX strings, which need no tzdata.
# Usage: check_reproducible.sh DIST VERSION
set -u
dist=$(realpath "$1") version=$2
source_dir=$(cd "$(dirname "$0")/.." && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0

same() {  # same NAME OTHER_DIST [NOT_MADE...]: OTHER_DIST has what DIST has, byte for byte
  local differing="" file files=0
  for file in "$2"/*; do
    [ -e "$file" ] || continue
    files=$((files + 1))
    cmp -s "$file" "$dist/${file##*/}" || differing+=" ${file##*/}"
  done
  for file in "$dist"/*; do
    [[ -e $2/${file##*/} || " ${*:3} " == *" ${file##*/} "* ]] || differing+=" missing: ${file##*/}"
  done
  if [ -z "$differing" ] && [ "$files" -gt 0 ]; then
    echo "ok: $1: $files files, byte for byte the same"
  else
    echo "FAIL: $1: these differ: $differing"
    failed=1
  fi
}

[ -z "$(git -C "$source_dir" status --porcelain --untracked-files=no)" ] ||
  echo "note: the work tree has changes that are not committed; only the commit is rebuilt"

clone=$(mktemp -d -p /dev/shm 2>/dev/null || mktemp -d)
trap 'rm -rf "$scratch" "$clone"' EXIT
git clone -q "$source_dir" "$clone/cpubusy"
(cd "$clone/cpubusy" && umask 0077 && TZ='<+14>-14' LC_ALL=C.UTF-8 \
  faketime -f +2d make --no-print-directory dist) >"$scratch/clone.log" 2>&1 ||
  { echo "FAIL: make dist in a clone:"; tail -30 "$scratch/clone.log"; exit 1; }
same "a clone, built elsewhere and later, in another time zone and umask" "$clone/cpubusy/dist"

mkdir "$scratch/unpacked"
tar -xzf "$dist/cpubusy-$version.tar.gz" -C "$scratch/unpacked" ||
  { echo "FAIL: the source tarball cannot be unpacked"; exit 1; }
(cd "$scratch/unpacked/cpubusy-$version" && umask 0022 && TZ='<-0330>3:30' make --no-print-directory dist) \
  >"$scratch/unpacked.log" 2>&1 ||
  { echo "FAIL: make dist from the source tarball:"; tail -30 "$scratch/unpacked.log"; exit 1; }
# Without git there is no source tarball, so SHA256SUMS lists one file less.
rm "$scratch/unpacked/cpubusy-$version/dist/SHA256SUMS"
same "the source tarball, built without git" "$scratch/unpacked/cpubusy-$version/dist" \
  SHA256SUMS "cpubusy-$version.tar.gz"
exit $failed
