#!/usr/bin/env bash
# Runs the commands that README.md's "Getting it" gives for installing an
# archive, as written, as root in a fresh Debian 12 root (mmdebstrap, with
# man-db) that holds this machine's archive from DIST and has no
# /usr/local/share/man/man1 yet; then `cpubusy` and `man -w cpubusy` must
# find what they installed, and the program must report. The row for
# Debian's own package is run there too, with its .deb. Skips (77) where
# the commands name an archive of another machine.
# Usage: check_readme_archive.sh DIST
set -u
dist=$(realpath "$1")
here=$(cd "$(dirname "$0")" && pwd)
block=$("$here/readme_block.sh" "Getting it")
archive=$(sed -n 's/^tar -xzf \([^ ]*\)$/\1/p' <<<"$block")
[[ $archive == *-linux-$(uname -m).tar.gz ]] ||
  { echo "SKIP: README.md's commands install ${archive:-no archive}, not this machine's"; exit 77; }
[ -f "$dist/$archive" ] || { echo "FAIL: README.md names $archive, which $dist lacks"; exit 1; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
root=$scratch/root
mmdebstrap --quiet --variant=minbase --include=man-db bookworm "$root" >"$scratch/log" 2>&1 ||
  { echo "FAIL: mmdebstrap:"; tail -20 "$scratch/log"; exit 1; }
[ ! -e "$root/usr/local/share/man/man1" ] || { echo "FAIL: the root has a man1 folder already"; exit 1; }
cp "$dist/$archive" "$root/root/"
in_root=("$here/in_root.sh" "$root" env -i PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin
  HOME=/root)
failed=0
"${in_root[@]}" sh -e -c "cd && $block" || { echo "FAIL: README.md's commands"; exit 1; }
# shellcheck disable=SC2016 # the root's shell expands it
found=$("${in_root[@]}" sh -c 'command -v cpubusy && readlink -f "$(man -w cpubusy)"')
if [ "$found" = $'/usr/local/bin/cpubusy\n/usr/local/share/man/man1/cpubusy.1.gz' ]; then
  echo "ok: README.md's commands install $archive where cpubusy and man -w cpubusy find it"
else
  echo "FAIL: after README.md's commands, cpubusy and man -w cpubusy find: $found"
  failed=1
fi
bash "$here/check_report.sh" lf online "$here/in_root.sh" "$root" /usr/local/bin/cpubusy || failed=1
# And the Debian package's two commands, as its row gives them.
# shellcheck disable=SC2016 # README's backticks
install=$(grep -o '`dpkg -i cpubusy_[^`]*`' "$here/../README.md" | tr -d '`')
# shellcheck disable=SC2016
remove=$(grep -o '`dpkg -r cpubusy`' "$here/../README.md" | tr -d '`')
cp "$dist/${install#dpkg -i }" "$root/root/" || { echo "FAIL: no ${install#dpkg -i } for '$install'"; exit 1; }
if "${in_root[@]}" sh -c "cd && $install >/dev/null" &&
  bash "$here/check_report.sh" lf online "$here/in_root.sh" "$root" /usr/bin/cpubusy &&
  "${in_root[@]}" man -aw cpubusy | grep -qx /usr/share/man/man1/cpubusy.1.gz &&
  "${in_root[@]}" sh -c "$remove >/dev/null" && [ ! -e "$root/usr/bin/cpubusy" ]; then
  echo "ok: README.md's '$install' installs it, '$remove' removes it"
else
  echo "FAIL: README.md's '$install' and '$remove'"
  failed=1
fi
exit $failed
