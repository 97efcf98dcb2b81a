#!/usr/bin/env bash
# Installs the Debian packages that parts of the build need, if missing: a
# GROUP's below, or a PRESET's, which its toolchain file names.
# Usage: tools/install-deps.sh GROUP|PRESET...
#   (groups: install build bench dist reproducible packager lint)
set -eu
here=$(cd "$(dirname "$0")" && pwd)

packages_for() {
  case $1 in
    install) echo cmake make && [ -n "${CXX-}" ] || echo g++ ;;
    build) echo "cmake g++ make googletest groff-base" ;;
    bench) echo "hyperfine sysstat python3-psutil time valgrind strace procps util-linux" ;;
    dist) echo "dpkg-dev file lintian mandoc groff-base zip unzip devscripts git rpm rpmlint" ;;
    reproducible) echo "faketime git" ;;
    packager) echo "libgtest-dev mmdebstrap" ;;
    lint) echo "clang-format clang-tidy cppcheck shellcheck flake8" ;;
    *)
      # A preset: cmake reads the list and its toolchain file, so it comes first.
      command -v cmake >/dev/null || "$0" build >&2
      cmake -P "$here/../cmake/presets.cmake" | grep -qxF -- "$1" || return 1
      cmake -P "$here/../cmake/presets.cmake" packages "$1"
      ;;
  esac
}

# make install needs only commands, which any Linux may have from anywhere:
# what is missing is named, and installed with apt-get only on Debian (the
# compiler only where CXX names none).
commands_missing() {
  local version compilers=(c++ g++ clang++)
  need=() version=$(cmake --version 2>/dev/null | sed -n '1s/^cmake version \([0-9.]*\).*/\1/p')
  [ "$(printf '3.18\n%s\n' "$version" | sort -V | head -n 1)" = 3.18 ] || need+=("cmake 3.18 or later")
  command -v make >/dev/null || need+=(make)
  [ -z "${CXX-}" ] || compilers=("${CXX%% *}")
  command -v "${compilers[@]}" >/dev/null || need+=("a C++17 compiler such as g++ or clang++${CXX:+ (CXX=$CXX)}")
  [ ${#need[@]} -gt 0 ]
}
say_missing() {
  local list
  list=$(printf '%s, ' "${need[@]}") && echo "cpubusy: make install needs ${list%, }." >&2 && exit 1
}
if [ "$*" = install ]; then
  commands_missing || exit 0
  if [ ! -e /etc/debian_version ] || ! command -v apt-get >/dev/null; then say_missing; fi
  trap 'commands_missing && say_missing' EXIT  # what apt-get could not give
fi

installed() {
  [ "$(dpkg-query -W -f='${Status}' "$1" 2>/dev/null)" = "install ok installed" ]
}

# Wine comes with what it recommends, as it was tested; everything else
# without, so that nothing is installed that the build does not ask for
# (qemu-user would otherwise bring qemu-user-binfmt, which registers qemu
# with the kernel for every foreign program).
missing=() plain=() recommended=()
for group in "$@"; do
  packages=$(packages_for "$group") || { echo "unknown group or preset: $group" >&2; exit 2; }
  for package in $packages; do
    installed "$package" && continue
    missing+=("$package")
    case $package in
      wine*) recommended+=("$package") ;;
      *) plain+=("$package") ;;
    esac
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
# shellcheck source=/dev/null # the system's file, not one of ours
. /etc/os-release
# A mirror caught mid-sync fails an index now and then (seen: bookworm-
# security's i386 one). Then the packages of one architecture may lag those
# of another, which multiarch refuses: the install prefers the release's own
# suite, which has both.
prefer=()
if ! apt-get update -qq; then
  echo "cpubusy: apt-get update failed; installing from $VERSION_CODENAME's own suite" >&2
  prefer=(-t "$VERSION_CODENAME")
fi
[ ${#recommended[@]} -eq 0 ] || apt-get install -y -qq "${prefer[@]}" "${recommended[@]}" >/dev/null
[ ${#plain[@]} -eq 0 ] ||
  apt-get install -y -qq --no-install-recommends "${prefer[@]}" "${plain[@]}" >/dev/null
