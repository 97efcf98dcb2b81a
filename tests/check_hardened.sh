#!/usr/bin/env bash
# Checks that every program in the release packages in DIST is hardened as
# distributions build theirs. Linux: hardening-check reports nothing
# missing. Its control-flow line looks for x86's IBT and SHSTK marks, which
# the linker sets only when every object has them, and Debian 12's C
# library start files have none; so that line is left out, and on x86 the
# program's own code is checked for the landing pad that starts each of
# its functions. Windows: check_exe.sh, with the PE marks.
# Usage: check_hardened.sh DIST VERSION
set -u
dist=$1 version=$2
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

for deb in "$dist"/cpubusy_"$version"_*.deb; do
  arch=$(dpkg-deb -f "$deb" Architecture)
  dpkg-deb -x "$deb" "$scratch/$arch"
  program=$scratch/$arch/usr/bin/cpubusy
  report=$(hardening-check --nocfprotection "$program")
  if grep -q ': no' <<<"$report"; then
    fail "$arch: $report"
  else
    echo "ok: $arch: $(grep -c ': yes' <<<"$report") hardening marks, none missing"
  fi
  case $arch in
    amd64 | i386)
      objdump -d --disassemble=main "$program" | grep -q endbr ||
        fail "$arch: main does not start with a landing pad (-fcf-protection)" ;;
  esac
done
for zip in "$dist"/cpubusy-"$version"-win*.zip; do
  unzip -q -o "$zip" -d "$scratch"
  exe=$scratch/$(basename "$zip" .zip)/cpubusy.exe
  bash "$here/check_exe.sh" "$exe" "$version" || failed=1
done
exit $failed
