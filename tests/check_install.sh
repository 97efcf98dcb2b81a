#!/usr/bin/env bash
# `make install` with DESTDIR and PREFIX puts the program, its manual page,
# the changelog and the copyright there and nothing else; the program gives
# its report and the page renders. `make uninstall` takes them away again.
# Usage: check_install.sh
set -u
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
prefix=$scratch/stage/opt/cpubusy
failed=0
ok() { echo "ok: $1"; }
fail() { echo "FAIL: $1"; failed=1; }

make -s -C "$here/.." install DESTDIR="$scratch/stage" PREFIX=/opt/cpubusy >"$scratch/log" 2>&1 ||
  { fail "make install:"; cat "$scratch/log"; exit 1; }
installed=$(cd "$scratch/stage" && find . -type f | LC_ALL=C sort)
wanted='./opt/cpubusy/bin/cpubusy
./opt/cpubusy/share/doc/cpubusy/changelog.gz
./opt/cpubusy/share/doc/cpubusy/copyright
./opt/cpubusy/share/man/man1/cpubusy.1.gz'
if [ "$installed" = "$wanted" ]; then ok "make install puts the four files under DESTDIR/PREFIX"; else
  fail "make install put: $installed"; fi
if bash "$here/check_report.sh" lf online "$here/../cmake/native-run" "$prefix/bin/cpubusy"; then
  ok "the installed cpubusy prints its report"; else fail "the installed cpubusy"; fi
zcat "$prefix/share/man/man1/cpubusy.1.gz" >"$scratch/cpubusy.1"
if bash "$here/check_manpage.sh" "$scratch/cpubusy.1"; then
  ok "the installed manual page renders"; else fail "the installed manual page"; fi
# A file where the documents' folder must go: the program installs, the rest cannot.
mkdir -p "$scratch/bad/opt/cpubusy/share/doc" && : >"$scratch/bad/opt/cpubusy/share/doc/cpubusy"
if make -s -C "$here/.." install DESTDIR="$scratch/bad" PREFIX=/opt/cpubusy >/dev/null 2>&1; then
  fail "make install succeeds where it cannot install everything"; else
  ok "make install fails where it cannot install everything"; fi
make -s -C "$here/.." uninstall DESTDIR="$scratch/stage" PREFIX=/opt/cpubusy >/dev/null
left=$(find "$scratch/stage" -type f)
if [ -z "$left" ]; then ok "make uninstall removes them"; else fail "make uninstall left: $left"; fi
exit $failed
