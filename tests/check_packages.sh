#!/usr/bin/env bash
# Checks the release packages in DIST: the Debian package installs a
# working cpubusy and its manual page, the .tar.gz holds the same, and the
# .zip holds cpubusy.exe (run under Wine, in a 32-bit and a 64-bit prefix)
# and its README.
# Usage: check_packages.sh DIST VERSION WINEPREFIX32 WINEPREFIX64
set -u
dist=$1 version=$2 prefix32=$3 prefix64=$4
here=$(cd "$(dirname "$0")" && pwd)
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
passed=0 failed=0
check() {
  local name=$1
  shift
  if output=$("$@" 2>&1); then
    passed=$((passed + 1))
    echo "ok: $name"
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
  bash "$here/check_report.sh" lf online "$scratch/root/usr/bin/cpubusy"
zcat "$scratch/root/usr/share/man/man1/cpubusy.1.gz" >"$scratch/cpubusy.1"
check "the installed manual page renders" bash "$here/check_manpage.sh" "$scratch/cpubusy.1"
if command -v lintian >/dev/null; then
  check "lintian finds no error in the Debian package" lintian "$deb"
fi

tarball=$dist/cpubusy-${version}-linux-x86_64.tar.gz
check "the .tar.gz holds bin/cpubusy and the manual page" \
  has_files "$(tar -tzf "$tarball")" bin/cpubusy share/man/man1/cpubusy.1.gz

zip=$dist/cpubusy-${version}-win32.zip
check "the .zip holds cpubusy.exe and README.txt" \
  has_files "$(unzip -Z1 "$zip")" cpubusy.exe README.txt
unzip -q "$zip" -d "$scratch/zip"
exe=$scratch/zip/cpubusy-${version}-win32/cpubusy.exe
check "the zipped cpubusy.exe is a console program for Windows 2000 on, version $version" \
  bash "$here/check_exe.sh" "$exe" "$version"
check "the zipped cpubusy.exe prints a well-formed report under 32-bit Wine" \
  bash "$here/check_report.sh" crlf reported "$here/../cmake/wine-run" win32 "$prefix32" "$exe"
check "the zipped cpubusy.exe prints a well-formed report under 64-bit Wine (WOW64)" \
  bash "$here/check_report.sh" crlf reported "$here/../cmake/wine-run" win64 "$prefix64" "$exe"
check "the zipped README.txt has Windows line ends" \
  grep -q $'\r$' "$scratch/zip/cpubusy-${version}-win32/README.txt"

echo "packages: $passed passed, $failed failed"
[ "$failed" -eq 0 ]
