#!/usr/bin/env bash
# Checks that cpubusy.exe is a 32-bit x86 console program that needs no DLL
# beyond Windows' own and does not import NtQuerySystemInformation (it is
# looked up at run time).
# Usage: check_exe.sh cpubusy.exe
set -u
exe=$1
failed=0
fail() { echo "FAIL: $*"; failed=1; }

kind=$(file -b "$exe")
case $kind in
  "PE32 executable (console) Intel 80386"*) ;;
  *) fail "not a PE32 Intel 80386 console program: $kind" ;;
esac

headers=$(i686-w64-mingw32-objdump -p "$exe") || { echo "FAIL: objdump cannot read $exe"; exit 1; }
grep -q '^Magic[[:space:]]*010b' <<<"$headers" || fail "optional header is not PE32 (010b)"
grep -q '^Subsystem[[:space:]]*00000003' <<<"$headers" || fail "subsystem is not the console (3)"

dlls=$(sed -n 's/^[[:space:]]*DLL Name: //p' <<<"$headers" | tr 'A-Z' 'a-z' | sort -u)
[ -n "$dlls" ] || fail "no imported DLL found"
for dll in $dlls; do
  case $dll in
    kernel32.dll | msvcrt.dll) ;;
    *) fail "imports $dll: only KERNEL32.dll and msvcrt.dll are expected" ;;
  esac
done
grep -q 'kernel32.dll' <<<"$dlls" || fail "does not import KERNEL32.dll"

# Imported names are listed under each DLL as "hint name" lines.
if sed -n '/^The Import Tables/,/^The Export Tables\|^PE File Base Relocations/p' <<<"$headers" |
  grep -q 'NtQuerySystemInformation'; then
  fail "NtQuerySystemInformation is imported"
fi

[ $failed -eq 0 ] && echo "$(basename "$exe"): PE32 i386 console program importing only: $(echo $dlls)"
exit $failed
