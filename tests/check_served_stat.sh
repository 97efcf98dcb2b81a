#!/usr/bin/env bash
# Runs the Linux build with crafted files bound over /proc/stat and
# /sys/devices/system/cpu/online in a private mount namespace, and checks
# its whole output and exit status. Needs root (unshare -m); skips (77)
# where namespaces are not allowed.
# Usage: check_served_stat.sh CPUBUSY
set -u
tool=$1
unshare -m true 2>/dev/null || { echo "SKIP: no private mount namespace here (needs root)"; exit 77; }
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0

# serve ONLINE STAT: runs the tool with those contents; its output goes to
# $scratch/out and its exit status to $status.
serve() {
  printf '%s' "$1" >"$scratch/online"
  printf '%s' "$2" >"$scratch/stat"
  unshare -m sh -c 'mount --bind "$1/online" /sys/devices/system/cpu/online &&
    mount --bind "$1/stat" /proc/stat && exec "$2"' sh "$scratch" "$tool" >"$scratch/out"
  status=$?
}
expect() {  # expect NAME WANTED_STATUS WANTED_OUTPUT
  local got
  got=$(cat "$scratch/out"; printf x)
  got=${got%x}
  if [ "$status" -eq "$2" ] && [ "$got" = "$3" ]; then
    echo "ok: $1"
  else
    echo "FAIL: $1: exit status $status (wanted $2), output:"
    od -c "$scratch/out" | head -20
    failed=1
  fi
}

failure=$'\n[i] Processor Count: 3\n\n*** ntquerysysteminformation failed: 0xC0000001'
serve $'0-2\n' ''
expect "an unreadable /proc/stat ends the run after the count line" 255 "$failure"
serve $'0-2\n' $'cpu  3 0 0 3\ncpu0 1 0 0 1\ncpu1 1 0 x 1\ncpu2 1 0 0 1\nintr 1\n'
expect "a malformed per-processor line ends the run after the count line" 255 "$failure"
serve $'0-2\n' $'cpu  3 0 0 3\ncpu0 1 0 0 1\ncpu1 1 0 0 1\ncpu2 1 0 0 1\nintr 1\n'
expect "counters that do not move read 0" 0 \
  $'\n[i] Processor Count: 3\n\n[i] CPU 00: = 0%\n[i] CPU 01: = 0%\n[i] CPU 02: = 0%'
exit $failed
