#!/usr/bin/env bash
# The batch file that ships beside cpubusy.exe, share_of_cpu.cmd as the
# build made it (with Windows line ends), run by Wine's cmd beside the
# program, with TEMP in a folder of its own: it prints the share of
# processor 0 ("0", "00" and the default alike) and of the last one, whose
# line has no line break, as a number from 0 to 100, also twice at once;
# it says "no processor N" and exits 1 for one past the last; when
# cpubusy.exe exits -1 (here, as no file may grow, its report cannot be
# written) it says so and exits 1 rather than print a share; and it leaves
# nothing in TEMP.
# Usage: check_batch.sh RUNNER... PROGRAM
set -u
"${@:1:$#-1}" --probe || exit  # 77: the runner cannot run programs here
runner=("${@:1:$#-1}")
program=${*: -1}
failed=0
fail() { echo "FAIL: $*"; failed=1; }

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
mkdir "$dir/temp"
cp "$(dirname "$program")/share_of_cpu.cmd" "$program" "$dir/"
grep -q $'\r$' "$dir/share_of_cpu.cmd" || fail "share_of_cpu.cmd has no Windows line ends"
windows_dir="Z:${dir//\//\\}"  # Wine's drive Z: is the Unix root
# in_TEMP.cmd runs the batch file with TEMP in that folder, set in a batch
# file as Wine's cmd /c takes no quoted set: the usual one, one with what cmd
# would take for syntax in its name, and one that is not there.
mkdir "$dir/odd&(1)"
for folder in temp 'odd&(1)' missing; do
  printf '@echo off\r\nset "TEMP=%s"\r\ncall "%s" %%*\r\nexit /b %%ERRORLEVEL%%\r\n' \
    "$windows_dir\\$folder" "$windows_dir\\share_of_cpu.cmd" >"$dir/in_${folder//[^a-z]/}.cmd"
done
# batch [N]: runs the batch file; once more where Wine's cmd could not
# start a program at all, which it does now and then ("ShellExecuteEx
# failed: Internal error"), whatever the program. Nothing may stay in TEMP:
# what does is named in the output, which then fails the case.
batch() {
  local output status folder=${temp:-temp}
  for _ in 1 2; do
    output=$("${runner[@]}" cmd /c "$windows_dir\\in_${folder//[^a-z]/}.cmd $*" 2>&1)
    status=$?
    [[ $output == *"ShellExecuteEx failed"* ]] || break
  done
  printf '%s\n' "${output//$'\r'/}"
  [ -n "${together-}" ] || temp_is_empty "share_of_cpu.cmd $*" "$folder"
  return $status
}
temp_is_empty() {  # temp_is_empty NAME [FOLDER]
  [ -z "$(ls -A "$dir/${2:-temp}" 2>/dev/null)" ] || fail "$1 left $(ls -A "$dir/${2:-temp}") in TEMP"
}
share_of() {  # share_of [N]
  local output status
  output=$(batch "$@")
  status=$?
  if [ "$status" -ne 0 ]; then
    fail "processor ${1-0}: exit status $status, output '$output'"
  elif [[ $output =~ ^(0|[1-9][0-9]?|100)$ ]]; then
    echo "ok: processor ${1-(none given)} is $output% busy"
  else
    fail "processor ${1-0}: '$output' is not a share from 0 to 100"
  fi
}
count=$("${runner[@]}" "$dir/cpubusy.exe" | sed -n 's/^\[i\] Processor Count: \([0-9]*\)\r$/\1/p')
[ -n "$count" ] || { fail "no count line from cpubusy.exe"; exit 1; }
last=$((count < 32 ? count - 1 : 31))
share_of
share_of 0
share_of 00
share_of "$last"
share_of "$(printf %02d "$last")"
# Two at once, each in a folder of its own.
together=yes share_of 0 >"$dir/first" &
together=yes share_of "$last" >"$dir/second"
wait
cat "$dir/first" "$dir/second"
! grep -q FAIL "$dir/first" "$dir/second" || failed=1
temp_is_empty "two runs at once"

expect() {  # expect NAME WANTED_STATUS WANTED_OUTPUT STATUS OUTPUT
  if [ "$4" -eq "$2" ] && [ "$5" = "$3" ]; then echo "ok: $1"; else
    fail "$1: exit status $4, output '$5'"; fi
}
beyond=$((count < 32 ? count : 32))
output=$(batch "$beyond")
status=$?
expect "processor $beyond, past the last, is named missing" 1 "no processor $(printf %02d "$beyond")" \
  $status "$output"
output=$(ulimit -f 0; trap '' XFSZ; batch)
expect "a failed run is reported" 1 "cpubusy failed: exit status -1" $? "$output"
temp='odd&(1)' share_of 0
output=$(temp=missing batch)
expect "a TEMP that is not there is named" 1 "cannot make a folder in \"$windows_dir\\missing\"" $? "$output"
[ ! -e "$dir/missing" ] || fail "share_of_cpu.cmd made the missing TEMP"
exit $failed
