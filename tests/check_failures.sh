#!/usr/bin/env bash
# A report that cannot be written must not end in success: standard output
# on a full device, closed, or a pipe whose reader has gone. On Linux the
# last ends by SIGPIPE, as for any program, unless SIGPIPE is ignored;
# Windows (Wine here) has no SIGPIPE, so the write fails and the tool
# exits -1.
# Usage: check_failures.sh linux|windows RUNNER... PROGRAM
set -u
platform=$1
shift
"${@:1:$#-1}" --probe || exit  # 77: the runner cannot run programs here
# A parent that ignores SIGPIPE (some CI runners and service managers do)
# passes that on through exec; then the write fails with EPIPE instead.
sigpipe_ignored() {
  local mask
  mask=$(sed -n 's/^SigIgn:[[:space:]]*//p' /proc/$$/status 2>/dev/null)
  [ -n "$mask" ] && (((16#$mask >> (13 - 1)) & 1))
}
case $platform in
  linux) if sigpipe_ignored; then reader_gone=255; else reader_gone=141; fi ;;  # 141: 128 + SIGPIPE
  windows) reader_gone=255 ;;
  *) echo "platform must be linux or windows" >&2; exit 2 ;;
esac
failed=0
expect() {  # expect NAME STATUS WANTED
  if [ "$2" -eq "$3" ]; then
    echo "ok: $1 exits $2"
  else
    echo "FAIL: $1 exits $2, not $3"
    failed=1
  fi
}

"$@" >/dev/full
expect "output to /dev/full" $? 255
if [ "$platform" = linux ]; then
  # Unbuffered, every write fails during the run and the last flush has
  # nothing left to fail on: only the stream's error flag tells.
  stdbuf -o0 "$@" >/dev/full
  expect "unbuffered output to /dev/full" $? 255
  # Then the tool's own files open as descriptor 0.
  "$@" <&- >/dev/null
  expect "closed standard input" $? 0
fi
"$@" >&-
expect "closed standard output" $? 255
# The reader is gone long before the report is written, half a second in.
"$@" | true
expect "a pipe whose reader has gone" "${PIPESTATUS[0]}" $reader_gone
exit $failed
