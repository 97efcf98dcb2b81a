#!/usr/bin/env bash
# Runs COMMAND chrooted in ROOT (a Debian root that mmdebstrap made), with
# the host's /proc, /sys and /dev, and without CAP_SYS_ADMIN, so that it can
# make no namespace there, as in a packager's build root. Answers --probe
# as a runner does. Needs root.
# Usage: in_root.sh ROOT COMMAND... | in_root.sh ROOT --probe
set -u
root=$1
shift
[ "${1-}" != --probe ] || exit 0
# shellcheck disable=SC2016 # the script's own $1
exec unshare -m sh -c 'root=$1 && shift && for fs in proc sys dev; do
    mount --rbind "/$fs" "$root/$fs" || exit; done &&
  exec setpriv --bounding-set=-sys_admin chroot "$root" "$@"' sh "$root" "$@"
