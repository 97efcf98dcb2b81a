#!/usr/bin/env bash
# Checks that programs are hardened as distributions build theirs: each FILE
# is a Linux program, a Debian package holding one, or a Windows .zip.
# Linux: hardening-check reports nothing missing. Its control-flow line
# looks for x86's IBT and SHSTK marks, which the linker sets only when every
# object has them, and Debian 12's C library start files have none; so that
# line is left out, and where the program still has its symbols, its own
# main is checked for the landing pad that -fcf-protection puts first.
# Windows: check_exe.py, with the PE marks, for VERSION. Skips (77) where
# hardening-check (devscripts) is missing.
# Usage: check_hardened.sh VERSION FILE...
set -u
command -v hardening-check >/dev/null ||
  { echo "SKIP: hardening-check is not installed (it comes with devscripts)"; exit 77; }
version=$1
shift
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
fail() { echo "FAIL: $*"; failed=1; }

check_program() {  # check_program PROGRAM NAME
  local report options=(--nocfprotection) wanted=5
  # PIE, stack protector, fortified calls, RELRO and immediate binding must
  # each say yes; stack clash says "unknown" where no frame needs a loop.
  # CPUBUSY_OPTIMISED=0 says that the build did not optimise, which
  # fortified calls need.
  [ "${CPUBUSY_OPTIMISED-1}" = 1 ] || { options+=(--nofortify) && wanted=4; }
  if ! report=$(hardening-check "${options[@]}" "$1" 2>&1) ||
    [ "$(grep -c ': yes' <<<"$report")" -lt $wanted ]; then
    fail "$2: $report"
  else
    echo "ok: $2: hardened"
  fi
  if [[ $(file -b "$1") =~ (x86-64|80386).*"not stripped" ]]; then
    objdump -d --disassemble=main "$1" | grep -m1 -A1 '<main>:' | grep -q endbr ||
      fail "$2: main does not start with a landing pad (-fcf-protection)"
  fi
}

for file in "$@"; do
  case $file in
    *.deb)
      dpkg-deb -x "$file" "$scratch/deb"
      check_program "$scratch/deb/usr/bin/cpubusy" "$(basename "$file")"
      rm -rf "$scratch/deb"
      ;;
    *.zip)
      unzip -q -o "$file" -d "$scratch"
      "$here/check_exe.py" "$scratch/$(basename "$file" .zip)/cpubusy.exe" "$version" ||
        failed=1
      ;;
    *) check_program "$file" "$file" ;;
  esac
done
exit $failed
