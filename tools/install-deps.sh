#!/usr/bin/env bash
# Installs the Debian packages that a part of the build needs, if missing.
# Usage: tools/install-deps.sh GROUP...   (groups: build windows bench dist fuzz)
set -eu

packages_for() {
  case $1 in
    build) echo "cmake g++ make googletest" ;;
    windows) echo "g++-mingw-w64-i686 wine wine32:i386 wine64 python3-pefile file binutils-mingw-w64-i686" ;;
    bench) echo "hyperfine sysstat python3-psutil time valgrind strace procps util-linux" ;;
    dist) echo "dpkg-dev fakeroot file lintian mandoc groff-base zip unzip" ;;
    fuzz) echo "clang libclang-rt-14-dev" ;;
    *) echo "unknown group: $1" >&2; exit 2 ;;
  esac
}

installed() {
  [ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" = "install ok installed" ]
}

missing=()
for group in "$@"; do
  for package in $(packages_for "$group"); do
    installed "$package" || missing+=("$package")
  done
done
[ ${#missing[@]} -eq 0 ] && exit 0

if [ "$(id -u)" -ne 0 ] || ! command -v apt-get >/dev/null; then
  echo "cpubusy: missing Debian packages: ${missing[*]}" >&2
  echo "Install them as root (wine32 needs 'dpkg --add-architecture i386' first):" >&2
  echo "  apt-get install ${missing[*]}" >&2
  exit 1
fi

echo "Installing ${missing[*]}"
case " ${missing[*]} " in
  *:i386*)
    dpkg --print-foreign-architectures | grep -qx i386 || dpkg --add-architecture i386 ;;
esac
export DEBIAN_FRONTEND=noninteractive
apt-get update -qq
apt-get install -y -qq "${missing[@]}" >/dev/null
