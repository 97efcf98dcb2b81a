#!/usr/bin/env bash
# Checks the release packages in DIST: the Debian package installs a
# working cpubusy and its manual page, the .tar.gz holds the same, and each
# .zip holds cpubusy.exe (run under Wine through each runner of its build)
# and its README. Programs run through the runners in BUILD/<preset>/.
# Usage: check_packages.sh DIST VERSION [BUILD]
set -u
dist=$1 version=$2 build=${3:-build}
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
passed=0 failed=0 skipped=0
check() {  # a check that exits 77 could not run on this host
  local name=$1 status
  shift
  output=$("$@" 2>&1)
  status=$?
  if [ $status -eq 0 ]; then
    passed=$((passed + 1))
    echo "ok: $name"
  elif [ $status -eq 77 ]; then
    skipped=$((skipped + 1))
    echo "skipped: $name: $(grep -m1 SKIP <<<"$output")"
  else
    failed=$((failed + 1))
    echo "FAIL: $name"
    echo "$output" | sed 's/^/    /'
  fi
}

deb=$dist/cpubusy_${version}_amd64.deb
has_files() {  # has_files LISTING FILE...
  local listing=$1
  shift
  for file in "$@"; do
    grep -qE "(^|[ /])${file//./\\.}\$" <<<"$listing" || { echo "missing $file"; return 1; }
  done
}
deb_fields() {
  [ "$(dpkg-deb -f "$deb" Package Version Architecture)" = "$(printf 'Package: cpubusy\nVersion: %s\nArchitecture: amd64' "$version")" ] &&
    dpkg-deb -f "$deb" Depends | grep -q libc6
}
check "the Debian package is named cpubusy_${version}_amd64.deb" test -f "$deb"
check "its control fields name cpubusy $version for amd64, depending on libc6" deb_fields
check "it holds the program, the manual page and the copyright" \
  has_files "$(dpkg-deb -c "$deb")" ./usr/bin/cpubusy ./usr/share/man/man1/cpubusy.1.gz \
  ./usr/share/doc/cpubusy/copyright
dpkg-deb -x "$deb" "$scratch/root"
check "the installed cpubusy prints a well-formed report" \
  bash "$here/check_report.sh" lf online "$build/linux/run-native" "$scratch/root/usr/bin/cpubusy"
zcat "$scratch/root/usr/share/man/man1/cpubusy.1.gz" >"$scratch/cpubusy.1"
check "the installed manual page renders" bash "$here/check_manpage.sh" "$scratch/cpubusy.1"
if command -v lintian >/dev/null; then
  check "lintian finds no error in the Debian package" lintian "$deb"
fi

tarball=$dist/cpubusy-${version}-linux-x86_64.tar.gz
check "the .tar.gz holds bin/cpubusy and the manual page" \
  has_files "$(tar -tzf "$tarball")" bin/cpubusy share/man/man1/cpubusy.1.gz

for system in win32 win64; do
  zip=$dist/cpubusy-${version}-${system}.zip
  folder=$scratch/cpubusy-${version}-${system}
  check "the $system .zip holds cpubusy.exe and README.txt" \
    has_files "$(unzip -Z1 "$zip")" cpubusy.exe README.txt
  unzip -q "$zip" -d "$scratch"
  check "its cpubusy.exe is a console program for its Windows, version $version" \
    bash "$here/check_exe.sh" "$folder/cpubusy.exe" "$version"
  check "its README.txt has Windows line ends" grep -q $'\r$' "$folder/README.txt"
  preset=windows
  [ $system = win64 ] && preset=windows-x64
  for runner in "$build/$preset"/run-*; do
    check "its cpubusy.exe prints a well-formed report through ${runner##*/}" \
      bash "$here/check_report.sh" crlf reported "$runner" "$folder/cpubusy.exe"
  done
done

echo "packages: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
