#!/usr/bin/env bash
# The packager's path on other systems: in a Debian 11 root (CMake 3.18,
# GCC 10) and a Debian 13 root with Clang alone, each made with mmdebstrap
# and holding only cmake, make, git, the compiler and the built GoogleTest
# (its sources, dpkg and apt-get removed), a clone of this tree goes through
# check_install.sh: the plain CMake sequence, ctest, cmake --install and
# make install. The root has no python3, groff, qemu or Wine, and its
# programs may make no namespace (CAP_SYS_ADMIN is dropped), so the tests
# that need them skip. Needs root and the Debian mirror.
# Usage: check_roots.sh [SUITE:PACKAGE:CXX...]
set -u
source_dir=$(cd "$(dirname "$0")/.." && pwd)
[ $# -gt 0 ] || set -- bullseye:g++:g++ trixie:clang:clang++
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
for root_spec in "$@"; do
  IFS=: read -r suite package cxx <<<"$root_spec"
  root=$scratch/$suite
  echo "== $suite, with $cxx"
  if ! mmdebstrap --quiet --variant=minbase --include="cmake,make,git,$package,libgtest-dev" \
    "$suite" "$root" >"$scratch/log" 2>&1; then
    echo "FAIL: mmdebstrap $suite:"; tail -20 "$scratch/log"; failed=1; continue
  fi
  rm -rf "$root/usr/src/googletest" "$root"/usr/bin/dpkg* "$root"/usr/bin/apt*
  git clone -q "$source_dir" "$root/src"
  "$(dirname "$0")/in_root.sh" "$root" env -i PATH=/usr/bin:/bin:/usr/sbin:/sbin HOME=/root \
    LC_ALL=C.UTF-8 CXX="$cxx" bash /src/tests/check_install.sh || failed=1
  rm -rf "$root"
done
exit $failed
