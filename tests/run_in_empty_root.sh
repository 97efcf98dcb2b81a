#!/usr/bin/env bash
# Runs a static Linux program with nothing of this system's but /proc and
# /sys, as on a Linux that shares no file with this one. Natively (-): in a
# private mount namespace, chrooted into an empty folder that holds only
# the program and those two. Under an emulator (qemu-ARCH, or
# qemu-ARCH:CPU for that processor): with an empty folder for the C
# library's files; qemu-user still falls back to the host's own paths, so
# there only the ELF's own headers prove that it needs no file. As a runner
# it answers --probe: 77 where no private mount namespace can be made (it
# needs root, or user namespaces that a plain user may make).
# Usage: run_in_empty_root.sh -|qemu-ARCH[:CPU] PROGRAM [ARGUMENT...]
#        run_in_empty_root.sh -|qemu-ARCH[:CPU] --probe
set -u
emulator=${1%%:*} cpu=()
[[ $1 == *:* ]] && cpu=(-cpu "${1#*:}")
shift
namespace=(unshare -m)
[ "$(id -u)" -eq 0 ] || namespace=(unshare -Urm)
if [ "${1-}" = --probe ]; then
  if [ "$emulator" != - ]; then
    command -v "$emulator" >/dev/null || { echo "$emulator is missing" >&2; exit 2; }
  elif ! "${namespace[@]}" true 2>/dev/null; then
    echo "SKIP: no private mount namespace here (it needs root or user namespaces)"
    exit 77
  fi
  exit 0
fi
root=$(mktemp -d)
trap 'rm -rf "$root"' EXIT
if [ "$emulator" != - ]; then
  "$emulator" "${cpu[@]}" -L "$root" "$@"
  exit
fi
mkdir "$root/proc" "$root/sys"
cp "$1" "$root/program"
shift
# shellcheck disable=SC2016 # the script's own $1 and $@
"${namespace[@]}" sh -c 'root=$1 && shift && mount --rbind /proc "$root/proc" &&
  mount --rbind /sys "$root/sys" && exec chroot "$root" /program "$@"' sh "$root" "$@"
