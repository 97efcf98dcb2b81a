#!/usr/bin/env bash
# Runs the tool and checks its report byte for byte against the format:
# "\n[i] Processor Count: N\n", then "\n[i] CPU II: = S%" for II from 00 up
# to min(N, 32) - 1, nothing after the last percent sign, and exit status 0.
# EXPECTED_COUNT is a number; "online", one more than the highest number in
# this machine's list of online processors, as the Linux build counts (the
# C library's count where the list cannot be read); or "reported", whatever
# the count line says (Wine has its own view).
# The command is a runner and the program; a runner that cannot run
# programs on this host makes the check skip (77).
# Usage: check_report.sh lf|crlf EXPECTED_COUNT|online|reported RUNNER... PROGRAM
set -u
eol=$1 expected_count=$2
shift 2
"${@:1:$#-1}" --probe || exit
if [ "$expected_count" = online ]; then
  # "0,2-3": the highest number ends the list.
  highest=$(sed -n 's/.*[,-]//; /^[0-9][0-9]*$/p' /sys/devices/system/cpu/online 2>/dev/null)
  if [ -n "$highest" ]; then
    expected_count=$((highest + 1))
  else
    expected_count=$(getconf _NPROCESSORS_ONLN)
  fi
fi
case $eol in
  lf) nl=$'\n' ;;
  crlf) nl=$'\r\n' ;;
  *) echo "line end must be lf or crlf" >&2; exit 2 ;;
esac

out=$(mktemp)
trap 'rm -f "$out"' EXIT
"$@" >"$out"
status=$?
fail() { echo "FAIL: $*"; echo "output:"; od -c "$out" | head -40; exit 1; }
[ "$status" -eq 0 ] || fail "exit status $status"

# Command substitution would drop trailing line feeds; the x keeps them.
text=$(LC_ALL=C cat "$out"; printf x)
text=${text%x}

if [ "$expected_count" = reported ]; then
  head_pattern="^${nl}\[i\] Processor Count: ([1-9][0-9]*)${nl}"
  [[ $text =~ $head_pattern ]] || fail "no count line"
  expected_count=${BASH_REMATCH[1]}
fi
expected_head="${nl}[i] Processor Count: ${expected_count}${nl}"
[ "${text:0:${#expected_head}}" = "$expected_head" ] || fail "count line is not '${expected_head}'"
rest=${text:${#expected_head}}

lines=$((expected_count < 32 ? expected_count : 32))
for ((i = 0; i < lines; i++)); do
  prefix=$(printf '%s[i] CPU %02d: = ' "$nl" "$i")
  [ "${rest:0:${#prefix}}" = "$prefix" ] || fail "line for processor $i does not start with '$prefix'"
  rest=${rest:${#prefix}}
  share=${rest%%%*}
  [[ $share =~ ^(0|[1-9][0-9]?|100)$ ]] || fail "processor $i share '$share' is not 0 to 100"
  rest=${rest:$((${#share} + 1))}
done
[ -z "$rest" ] || fail "unexpected bytes after the last line"
echo "report of $expected_count processors checked"
