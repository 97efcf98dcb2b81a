#!/usr/bin/env bash
# Runs the Linux build with crafted files bound over /proc/stat and
# /sys/devices/system/cpu/online in a private mount namespace, and checks
# its whole output and exit status. Needs root, or a kernel that lets a
# plain user make a user namespace (unshare -Urm), and python3 for the
# FIFO's writer; skips (77) elsewhere.
# Usage: check_served_stat.sh RUNNER... CPUBUSY
set -u
"${@:1:$#-1}" --probe || exit  # 77: the runner cannot run programs here
tool=("$@")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
: >"$scratch/probe"
namespace=(unshare -m)
[ "$(id -u)" -eq 0 ] || namespace=(unshare -Urm)
# The scripts of sh -c take their arguments as $1 and on, in single quotes.
# shellcheck disable=SC2016
"${namespace[@]}" sh -c 'mount --bind "$1" /proc/stat &&
  mount --bind "$1" /sys/devices/system/cpu/online' sh "$scratch/probe" 2>/dev/null ||
  { echo "SKIP: files cannot be bound over /proc/stat here (${namespace[*]} is refused)"; exit 77; }
command -v python3 >/dev/null || { echo "SKIP: python3 is not installed, which serves two readings"; exit 77; }
failed=0

# run_bound [COMMAND...]: runs COMMAND and the tool with $scratch/online and
# $scratch/stat bound over the kernel's files; the output goes to
# $scratch/out, the exit status to $status.
run_bound() {
  # shellcheck disable=SC2016 # the script's own $1, as above
  timeout 60 "${namespace[@]}" sh -c 'mount --bind "$1/online" /sys/devices/system/cpu/online &&
    mount --bind "$1/stat" /proc/stat && shift && exec "$@"' sh "$scratch" "$@" "${tool[@]}" \
    >"$scratch/out"
  status=$?
}
# serve ONLINE STAT [COMMAND...]: runs the tool with those contents, through
# COMMAND if one is given.
serve() {
  printf '%s' "$1" >"$scratch/online"
  rm -f "$scratch/stat"  # it may be the FIFO of serve_two
  printf '%s' "$2" >"$scratch/stat"
  run_bound "${@:3}"
}
# serve_two ONLINE FIRST SECOND: as serve, but /proc/stat is a FIFO that
# gives FIRST to the tool's first reading and SECOND to its next
# (serve_fifo.py). The tool starts only once the writer watches, and a
# writer that cannot watch fails the case.
serve_two() {
  printf '%s' "$1" >"$scratch/online"
  rm -f "$scratch/stat"
  mkfifo "$scratch/stat"
  rm -f "$scratch/watching"
  "$(dirname "$0")/serve_fifo.py" "$scratch/stat" "$2" "$3" "$scratch/watching" &
  local writer=$!
  while [ ! -e "$scratch/watching" ] && kill -0 "$writer" 2>/dev/null; do sleep 0.01; done
  if [ -e "$scratch/watching" ]; then
    run_bound
  else
    : >"$scratch/out"
    echo "the FIFO's writer could not watch it"
    status=-1
  fi
  kill "$writer" 2>/dev/null
  wait "$writer" 2>/dev/null
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
# A virtual machine with one processor lists it as "0". Started with standard
# input closed, as some supervisors start programs, the tool's files open as
# descriptor 0.
one=$'\n[i] Processor Count: 1\n\n[i] CPU 00: = 0%'
serve $'0\n' $'cpu  1 0 0 1\ncpu0 1 0 0 1\nintr 1\n'
expect "one online processor, numbered 0, is a count of 1" 0 "$one"
serve $'0\n' $'cpu  1 0 0 1\ncpu0 1 0 0 1\nintr 1\n' sh -c 'exec "$@" <&-' sh
expect "the report is the same with standard input closed" 0 "$one"
# Processor 1 is offline: it keeps its number and reads 0, and the others
# are matched by number, not by the order of their lines.
serve_two $'0,2-3\n' $'cpu  0 0 0 0\ncpu0 100 0 0 100\ncpu2 100 0 0 100\ncpu3 100 0 0 100\nintr 1\n' \
  $'cpu  0 0 0 0\ncpu3 150 0 10 140\ncpu0 125 0 0 175\ncpu2 190 0 0 110\nintr 1\n'
expect "offline processors keep the numbering" 0 \
  $'\n[i] Processor Count: 4\n\n[i] CPU 00: = 25%\n[i] CPU 01: = 0%\n[i] CPU 02: = 90%\n[i] CPU 03: = 60%'
# A processor that goes offline or comes online between the two readings is
# in one of them only, and reads 0, not its share since boot (69% or 63%).
stat_of() {  # stat_of COUNTERS NUMBER...: a /proc/stat with those processors' lines
  local text=$'cpu  0 0 0 0\n' number
  for number in "${@:2}"; do text+="cpu$number $1"$'\n'; done
  printf '%sintr 1\n' "$text"
}
report_of() {  # report_of SHARE...: the report of four processors
  printf '\n[i] Processor Count: 4\n'
  printf '\n[i] CPU %02d: = %s%%' 0 "$1" 1 "$2" 2 "$3" 3 "$4"
}
while read -r name first second shares; do
  # shellcheck disable=SC2086 # one processor number or share a word
  serve_two $'0-3\n' "$(stat_of '69 0 0 31' ${first//,/ })" "$(stat_of '94 0 0 56' ${second//,/ })"
  # shellcheck disable=SC2086
  expect "${name//_/ } reads 0" 0 "$(report_of $shares)"
done <<'CASES'
the_last_processor_going_offline 0,1,2,3 0,1,2 50 50 50 0
one_coming_while_another_goes 0,2,3 0,1,3 50 0 0 50
CASES
# Without an online list the count is the C library's count of online
# processors, which it then takes from /proc/stat's lines: two more here
# than it counts configured, the machine's own.
lines=$(($(getconf _NPROCESSORS_CONF) + 2))
stat=$'cpu  0 0 0 0\n' report=$'\n[i] Processor Count: '$lines$'\n'
for ((i = 0; i < lines; i++)); do
  stat+="cpu$i 1 0 0 1"$'\n'
  ((i < 32)) && report+=$(printf '\n[i] CPU %02d: = 0%%' "$i")
done
serve '' "$stat"
expect "without an online list, the C library's count of online processors" 0 "$report"
# The end-to-end check on a machine whose online list has a gap: the count
# is one more than the highest number, not the number online.
serve $'0,2-3\n' $'cpu  0 0 0 0\ncpu0 1 0 0 1\ncpu2 1 0 0 1\ncpu3 1 0 0 1\nintr 1\n' \
  bash "$(dirname "$0")/check_report.sh" lf online
expect "the end-to-end check counts up to the highest online processor" 0 \
  "report of 4 processors checked"$'\n'
exit $failed
