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

block=$("$here/readme_block.sh" "Building on another distribution")
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

# A distribution's flags reach every compile and link, its _FORTIFY_SOURCE
# level and build type stay, and nothing warns.
flags=$scratch/flags
if CPPFLAGS="-DCPUBUSY_CPPFLAGS -D_FORTIFY_SOURCE=3" CXXFLAGS="-O2 -DCPUBUSY_CXXFLAGS" \
  LDFLAGS=-Wl,-O1 cmake -S "$src" -B "$flags" -DCMAKE_BUILD_TYPE=None -DBUILD_TESTING=OFF \
  -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >"$scratch/log" 2>&1 &&
  cmake --build "$flags" --target cpubusy >>"$scratch/log" 2>&1 && ! grep -i warning "$scratch/log"; then
  compiles=$(grep '"command"' "$flags/compile_commands.json")
  links=$(find "$flags" -name link.txt -exec grep -h ' -o ' {} +)  # the programs', not ar's
  if ! grep -qv -e '-DCPUBUSY_CPPFLAGS .*-D_FORTIFY_SOURCE=3' <<<"$compiles" &&
    ! grep -qv -e '-DCPUBUSY_CXXFLAGS' <<<"$compiles" && ! grep -q '_FORTIFY_SOURCE=2' <<<"$compiles" &&
    ! grep -qv -e '-Wl,-O1' <<<"$links" && grep -qx 'CMAKE_BUILD_TYPE:STRING=None' "$flags/CMakeCache.txt"
  then ok "CPPFLAGS, CXXFLAGS, LDFLAGS, their _FORTIFY_SOURCE and the build type None are kept"
  else fail "the distribution's flags:"; echo "$compiles"; echo "$links"; fi
else
  fail "a build with the distribution's flags:"; cat "$scratch/log"
fi

# make install names what it lacks in words, where apt-get cannot give it.
bin=$scratch/bin
while IFS='|' read -r name tools cxx wanted; do
  rm -rf "$bin" && mkdir "$bin"
  for tool in dirname sed sort head; do ln -s "$(command -v "$tool")" "$bin/"; done
  for tool in $tools; do
    printf '#!/bin/sh\necho "cmake version %s"\n' "${tool#cmake-}" >"$bin/${tool%%-*}"
    chmod +x "$bin/${tool%%-*}"
  done
  output=$(cd "$src" && env -i PATH="$bin" ${cxx:+CXX=$cxx} "$BASH" tools/install-deps.sh install 2>&1)
  status=$?
  if { [ -z "$wanted" ] && [ $status -eq 0 ] && [ -z "$output" ]; } ||
    { [ $status -eq 1 ] && [ "$output" = "cpubusy: make install needs $wanted." ]; }; then
    ok "make install with $name: ${output:-goes on}"
  else fail "make install with $name: exit status $status, '$output'"; fi
done <<'CASES'
cmake, make and g++|cmake-3.18.4 make g++||
cmake, make and clang++ alone|cmake-3.25.1 make clang++||
cmake 3.16|cmake-3.16.3 make g++||cmake 3.18 or later
no compiler|cmake-3.18.4 make||a C++17 compiler such as g++ or clang++
CXX naming none|cmake-3.18.4 make g++|nope|a C++17 compiler such as g++ or clang++ (CXX=nope)
nothing at all|||cmake 3.18 or later, make, a C++17 compiler such as g++ or clang++
CASES

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
