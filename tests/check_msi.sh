#!/usr/bin/env bash
# Installs a Windows Installer package under Wine's msiexec, silently, in a
# fresh prefix of ARCH (win32, wow64 or win64, as cmake/wine-run makes
# them), and checks what a user and a deployment tool rely on: the files in
# Program Files\cpubusy (Program Files (x86) for a 32-bit package on 64-bit
# Windows); the folder once on the machine's PATH, also after a second
# install; a new `cmd /c cpubusy` in a folder without the program finds it
# by name and prints the report; the entry under installed programs; a
# package of a higher version (made here from BUILD by cmake/pack) replacing
# it in place; an older one refused over it; and removal taking the files
# and the PATH entry away. Skips (77) where ARCH cannot run here.
# Usage: check_msi.sh ARCH BUILD MSI VERSION PLATFORM
set -u
arch=$1 build=$2 msi=$(realpath "$3") version=$4 platform=$5
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
wine=("$here/../cmake/wine-run" "$arch" "$scratch/prefix")
trap '"${wine[@]}" --cleanup >/dev/null; rm -rf "$scratch"' EXIT
"${wine[@]}" --probe || exit
"${wine[@]}" --setup || { echo "FAIL: no Wine prefix for $arch"; exit 1; }
failed=0
fail() { echo "FAIL: $*"; failed=1; }
windows() { printf 'Z:%s' "${1//\//\\}"; }  # Wine's drive Z: is the Unix root
msiexec() { "${wine[@]}" msiexec "$1" "$(windows "$2")" /qn; }

folder='Program Files' view=64
if [ "$platform" = Intel ]; then
  view=32
  [ "$arch" = win32 ] || folder='Program Files (x86)'
fi
# The machine's PATH entries that are the program's folder.
on_path() {
  "${wine[@]}" reg query 'HKLM\System\CurrentControlSet\Control\Session Manager\Environment' \
    /v PATH | tr -d '\r' | sed -n 's/^ *PATH  *REG_[A-Z_]*  *//p' | tr ';' '\n' |
    grep -ciFx -e "C:\\$folder\\cpubusy" -e "C:\\$folder\\cpubusy\\"
}
# installed VERSION [PACKAGE]: the files are there, the folder is on PATH
# once, and VERSION is listed under installed programs by PACKAGE's code.
installed() {
  local file code entry
  for file in cpubusy.exe README.txt LICENSE.txt share_of_cpu.cmd; do
    [ -f "$scratch/prefix/drive_c/$folder/cpubusy/$file" ] || fail "$1: no $folder\\cpubusy\\$file"
  done
  [ "$(on_path)" = 1 ] || fail "$1: the folder is on PATH $(on_path) times, not once"
  code=$(msiinfo export "${2:-$msi}" Property | tr -d '\r' | sed -n 's/^ProductCode\t//p')
  entry=$("${wine[@]}" reg query "HKLM\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\$code" \
    /reg:$view | tr -d '\r')
  for value in "DisplayName    REG_SZ    cpubusy" "DisplayVersion    REG_SZ    $1" \
    "Publisher    REG_SZ    the cpubusy developers"; do
    [[ $entry == *"$value"* ]] || fail "$1: installed programs do not list '$value'"
  done
}
removed() {
  [ ! -e "$scratch/prefix/drive_c/$folder/cpubusy/cpubusy.exe" ] || fail "$1: cpubusy.exe is left"
  [ "$(on_path)" = 0 ] || fail "$1: the folder is left on PATH"
}
check() {  # check NAME COMMAND...: the command succeeds
  "${@:2}" >"$scratch/log" 2>&1 || { fail "$1: exit status $?"; cat "$scratch/log"; }
}

check "msiexec /i" msiexec /i "$msi"
installed "$version"
check "msiexec /i, a second time" msiexec /i "$msi"
installed "$version"
mkdir "$scratch/elsewhere"
report=$(cd "$scratch/elsewhere" && "${wine[@]}" cmd /c cpubusy)
pattern=$'^\r\n\\[i\\] Processor Count: [1-9][0-9]*\r\n(\r\n\\[i\\] CPU [0-9]{2,}: = (0|[1-9][0-9]?|100)%)+$'
[[ $report =~ $pattern ]] || fail "cmd /c cpubusy in another folder printed: $report"
check "msiexec /x" msiexec /x "$msi"
removed "$version"

# The next version, as cmake/pack would make it: it replaces this one.
newer=$((${version%%.*} + 1)).0.0
"$here/../cmake/pack" msi "$build" "$scratch" newer "$(stat -c %Y "$msi")" "$newer" "$platform" ||
  fail "cmake/pack could not make version $newer"
check "msiexec /i" msiexec /i "$msi"
check "msiexec /i of $newer over $version" msiexec /i "$scratch/newer.msi"
installed "$newer" "$scratch/newer.msi"
msiexec /i "$msi" >/dev/null 2>&1
status=$?  # ERROR_INSTALL_FAILURE, 1603, of which a Unix exit status keeps 67
[ $status -eq 67 ] || fail "$version over $newer: exit status $status, not 1603's 67"
installed "$newer" "$scratch/newer.msi"
check "msiexec /x of $newer" msiexec /x "$scratch/newer.msi"
removed "$newer"
[ $failed -ne 0 ] || echo "ok: $(basename "$msi") under $arch: installs, upgrades, refuses a downgrade, removes"
exit $failed
