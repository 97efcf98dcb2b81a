#!/usr/bin/env bash
# Runs the POSIX sh idiom that README.md gives for scripts (the block of
# "Using it from scripts") with `cpubusy` on the PATH standing for the
# program: it must print processor 00's share as a bare number from 0 to
# 100; and when cpubusy fails, it must say so with the status and exit 1
# rather than print a share.
# Usage: check_sh_idiom.sh RUNNER... PROGRAM
set -u
"${@:1:$#-1}" --probe || exit  # 77: the runner cannot run programs here
idiom=$("$(dirname "$0")/readme_block.sh" "Using it from scripts")
[ -n "$idiom" ] || { echo "FAIL: README.md gives no sh idiom under \"Using it from scripts\""; exit 1; }
bin=$(mktemp -d)
trap 'rm -rf "$bin"' EXIT
failed=0
expect() {  # expect NAME STATUS OUTPUT COMMAND: the idiom with cpubusy being COMMAND
  printf '#!/bin/sh\n%s\n' "$4" >"$bin/cpubusy"
  chmod +x "$bin/cpubusy"
  local output status
  output=$(PATH=$bin:$PATH sh -c "$idiom" 2>&1)
  status=$?
  if [ "$status" -eq "$2" ] && [[ $output =~ ^$3$ ]]; then
    echo "ok: $1: $output"
  else
    echo "FAIL: $1: exit status $status, output '$output'"
    failed=1
  fi
}
expect "the share of processor 00" 0 '(0|[1-9][0-9]?|100)' "$(printf '%q ' "$@")"
expect "a failed run" 1 'cpubusy failed: 255' \
  "printf '\\\\n[i] Processor Count: 1\\\\n\\\\n*** ntquerysysteminformation failed: 0xC0000001'; exit 255"
exit $failed
