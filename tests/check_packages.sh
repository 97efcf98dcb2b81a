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

has_files() {  # has_files LISTING FILE...
  local listing=$1
  shift
  for file in "$@"; do
    grep -qE "(^|[ /])${file//./\\.}\$" <<<"$listing" || { echo "missing $file"; return 1; }
  done
}
deb_fields() {  # deb_fields DEB ARCHITECTURE
  [ "$(dpkg-deb -f "$1" Package Version Architecture)" = "$(printf 'Package: cpubusy\nVersion: %s\nArchitecture: %s' "$version" "$2")" ] &&
    dpkg-deb -f "$1" Depends | grep -qE '^libc6 \(>= [0-9.]+\)'
}
# Each Debian package and .tar.gz: its architecture, the name uname -m
# gives it, and the build whose runner runs its program.
for package in "amd64 x86_64 linux" "arm64 aarch64 linux-arm64" "armhf armv7l linux-armhf"; do
  read -r arch machine preset <<<"$package"
  deb=$dist/cpubusy_${version}_${arch}.deb
  root=$scratch/$arch
  check "the Debian package cpubusy_${version}_${arch}.deb is there" test -f "$deb"
  check "its control fields name cpubusy $version for $arch, depending on libc6" \
    deb_fields "$deb" "$arch"
  check "it holds the program, the manual page and the copyright" \
    has_files "$(dpkg-deb -c "$deb")" ./usr/bin/cpubusy ./usr/share/man/man1/cpubusy.1.gz \
    ./usr/share/doc/cpubusy/copyright
  dpkg-deb -x "$deb" "$root"
  check "the installed cpubusy prints a well-formed report" \
    bash "$here/check_report.sh" lf online "$build/$preset"/run-* "$root/usr/bin/cpubusy"
  zcat "$root/usr/share/man/man1/cpubusy.1.gz" >"$root/cpubusy.1"
  check "the installed manual page renders" bash "$here/check_manpage.sh" "$root/cpubusy.1"
  check "lintian finds no error in it" lintian "$deb"
  check "cpubusy-${version}-linux-${machine}.tar.gz holds bin/cpubusy and the manual page" \
    has_files "$(tar -tzf "$dist/cpubusy-${version}-linux-${machine}.tar.gz")" bin/cpubusy \
    share/man/man1/cpubusy.1.gz
done

for system in win32 win64; do
  zip=$dist/cpubusy-${version}-${system}.zip
  folder=$scratch/cpubusy-${version}-${system}
  check "the $system .zip holds cpubusy.exe and README.txt" \
    has_files "$(unzip -Z1 "$zip")" cpubusy.exe README.txt
  unzip -q "$zip" -d "$scratch"
  check "its cpubusy.exe is a console program for its Windows, version $version" \
    "$here/check_exe.py" "$folder/cpubusy.exe" "$version"
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
