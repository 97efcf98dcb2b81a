#!/usr/bin/env bash
# The plain CMake sequence that distributions' packagers run, as README.md's
# "Building on another distribution" gives it, in a clone of this tree with
# DESTDIR in $pkgdir: configure, which must find the installed GoogleTest
# (not build Debian's sources), build with no warning, ctest, and cmake
# --install, which puts the program, its manual page, the changelog and the
# copyright under /usr and nothing else. Then `make install` with DESTDIR
# and PREFIX puts the same there, and `make uninstall` takes them away
# again. Each installed program gives its report, each installed page
# renders (or skips without groff). CXX, where set, names the compiler.
# Usage: check_install.sh
set -u
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
failed=0
ok() { echo "ok: $1"; }
fail() { echo "FAIL: $1"; failed=1; }
# installs NAME STAGE PREFIX: STAGE holds the four files under PREFIX alone,
# the program reports and the page renders (or cannot be, without groff).
installs() {
  local installed wanted="./$3/bin/cpubusy
./$3/share/doc/cpubusy/changelog.gz
./$3/share/doc/cpubusy/copyright
./$3/share/man/man1/cpubusy.1.gz"
  installed=$(cd "$2" && find . -type f | LC_ALL=C sort)
  if [ "$installed" = "$wanted" ]; then ok "$1 puts the four files under DESTDIR/$3"; else
    fail "$1 put: $installed"; fi
  if bash "$here/check_report.sh" lf online "$here/../cmake/native-run" "$2/$3/bin/cpubusy"; then
    ok "the cpubusy that $1 installed prints its report"; else fail "the cpubusy that $1 installed"; fi
  zcat "$2/$3/share/man/man1/cpubusy.1.gz" >"$scratch/cpubusy.1"
  bash "$here/check_manpage.sh" "$scratch/cpubusy.1"
  case $? in
    0 | 77) ok "the manual page that $1 installed renders, or cannot be rendered here" ;;
    *) fail "the manual page that $1 installed" ;;
  esac
}

# shellcheck disable=SC2016 # awk's own script
block=$(awk '/^## / { section = $0 } section == "## Building on another distribution" && /^```/ {
  if (inside) exit; inside = 1; next } inside' "$here/../README.md")
[ -n "$block" ] || { fail "README.md gives no commands under \"Building on another distribution\""; exit 1; }
src=$scratch/src build=$scratch/src/build
git clone -q "$here/.." "$src"
if ! (cd "$src" && pkgdir=$scratch/plain sh -e -c "$block") >"$scratch/log" 2>&1; then
  fail "README.md's commands:"; cat "$scratch/log"; exit 1
fi
ok "README.md's commands, with cmake $(cmake --version | sed -n '1s/.* //p') and $(sed -n \
  's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$build/CMakeCache.txt"): $(grep -o '[0-9]*% tests passed.*' "$scratch/log")"
grep -h '^SKIP' "$build/Testing/Temporary/LastTest.log"  # what each skipped test needs
if grep -qE '^(GTest_DIR|GTEST_LIBRARY):[A-Z]*=/' "$build/CMakeCache.txt" && [ ! -e "$build/googletest" ]; then
  ok "they build the tests with the installed GoogleTest"; else fail "they did not use the installed GoogleTest"; fi
if grep -i warning "$scratch/log"; then fail "the build warns"; else ok "the build gives no warning"; fi
installs "cmake --install" "$scratch/plain" usr

make -s -C "$src" install DESTDIR="$scratch/stage" PREFIX=/opt/cpubusy >"$scratch/log" 2>&1 ||
  { fail "make install:"; cat "$scratch/log"; exit 1; }
installs "make install" "$scratch/stage" opt/cpubusy
# A file where the documents' folder must go: the program installs, the rest cannot.
mkdir -p "$scratch/bad/opt/cpubusy/share/doc" && : >"$scratch/bad/opt/cpubusy/share/doc/cpubusy"
if make -s -C "$src" install DESTDIR="$scratch/bad" PREFIX=/opt/cpubusy >/dev/null 2>&1; then
  fail "make install succeeds where it cannot install everything"; else
  ok "make install fails where it cannot install everything"; fi
make -s -C "$src" uninstall DESTDIR="$scratch/stage" PREFIX=/opt/cpubusy >/dev/null
left=$(find "$scratch/stage" -type f)
if [ -z "$left" ]; then ok "make uninstall removes them"; else fail "make uninstall left: $left"; fi
exit $failed
