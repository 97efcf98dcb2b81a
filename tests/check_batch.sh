#!/usr/bin/env bash
# The batch file that README.txt gives Windows users, share_of_cpu.cmd
# beside this script, run by Wine's cmd beside the program: it prints the
# share of processor 00, and of the last processor, whose line has no line
# break, as a number from 0 to 100; when cpubusy.exe exits -1 (here, as no
# file may grow, its report cannot be written) it says so and exits 1
# rather than print a share. README.txt must hold the same text.
# Usage: check_batch.sh RUNNER... PROGRAM
set -u
"${@:1:$#-1}" --probe || exit  # 77: the runner cannot run programs here
runner=("${@:1:$#-1}")
program=${*: -1}
here=$(dirname "$0")
failed=0
fail() { echo "FAIL: $*"; failed=1; }

indented=$(sed 's/^./    &/' "$here/share_of_cpu.cmd")
[[ $(cat "$here/../doc/README.txt.in") == *"$indented"* ]] ||
  fail "doc/README.txt.in does not hold share_of_cpu.cmd as it is"

dir=$(mktemp -d)
trap 'rm -rf "$dir"' EXIT
cp "$here/share_of_cpu.cmd" "$dir/"
cp "$program" "$dir/cpubusy.exe"
windows_dir="Z:${dir//\//\\}"  # Wine's drive Z: is the Unix root
# batch [NN]: runs the batch file with TEMP in the scratch folder; once more
# where Wine's cmd could not start a program at all, which it does now and
# then ("ShellExecuteEx failed: Internal error"), whatever the program.
batch() {
  local output status
  for _ in 1 2; do
    output=$("${runner[@]}" cmd /c "set TEMP=$windows_dir&& $windows_dir\\share_of_cpu.cmd $*" 2>&1)
    status=$?
    [[ $output == *"ShellExecuteEx failed"* ]] || break
  done
  printf '%s\n' "$output"
  return $status
}

share_of() {  # share_of NN
  local output status
  output=$(batch "$1")
  status=$?
  output=${output//$'\r'/}
  if [ "$status" -ne 0 ]; then
    fail "processor $1: exit status $status, output '$output'"
  elif [[ $output =~ ^(0|[1-9][0-9]?|100)$ ]]; then
    echo "ok: processor $1 is $output% busy"
  else
    fail "processor $1: '$output' is not a share from 0 to 100"
  fi
}
share_of 00
count=$(sed -n 's/^\[i\] Processor Count: \([0-9]*\)\r$/\1/p' "$dir/cpubusy.txt")
if [ -n "$count" ]; then
  share_of "$(printf %02d $((count < 32 ? count - 1 : 31)))"
else
  fail "no count line in the report that the batch file saved"
fi

rm -f "$dir/cpubusy.txt"
output=$(ulimit -f 0; trap '' XFSZ; batch)
status=$?
output=${output//$'\r'/}
if [ "$status" -eq 1 ] && [ "$output" = "cpubusy failed: exit status -1" ]; then
  echo "ok: a failed run is reported"
else
  fail "with an unwritable report: exit status $status, output '$output'"
fi
exit $failed
