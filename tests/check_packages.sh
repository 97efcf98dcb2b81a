#!/usr/bin/env bash
# Checks the release packages in DIST: each Debian package installs a
# working cpubusy and its manual page, each .tar.gz holds the same, each
# RPM installs them into an empty root, each .zip holds cpubusy.exe (run
# under Wine through each runner of its build) and its README, and each
# .msi installs them under Wine's msiexec in a fresh prefix of each runner's
# kind (check_msi.sh).
# Programs run through the runners in BUILD/<preset>/.
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
    echo "    ${output//$'\n'/$'\n'    }"
  fi
}

same() {  # same WANTED GOT
  [ "$1" = "$2" ] || { echo "got: $2"; return 1; }
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
# static_elf PROGRAM static|static-pie: no program interpreter, no needed
# library, RELRO and a stack that does not execute; a static-pie is
# position-independent and binds all at once.
static_elf() {
  local elf
  elf=$(readelf -hldW "$1") || return 1
  ! grep -E ' INTERP |\(NEEDED\)' <<<"$elf" || return 1
  grep -q ' GNU_RELRO ' <<<"$elf" || { echo "no RELRO"; return 1; }
  grep -qE ' GNU_STACK( +[^ ]+){5} +RW ' <<<"$elf" || { echo "no stack, or an executable one"; return 1; }
  if [ "$2" = static-pie ]; then
    grep -qE 'Type: +DYN ' <<<"$elf" || { echo "not position-independent"; return 1; }
    grep -qE '\(FLAGS\) +BIND_NOW' <<<"$elf" || { echo "no BIND_NOW"; return 1; }
  else
    grep -qE 'Type: +EXEC ' <<<"$elf" || { echo "not a plain executable"; return 1; }
  fi
}
# Each file that a shipping preset's build put into DIST, as its
# release-files lists it; programs run through that build's runners.
check_deb() {  # check_deb PRESET NAME ARCHITECTURE
  local deb=$dist/$2 root=$scratch/$3
  check "the Debian package $2 is there" test -f "$deb"
  check "its control fields name cpubusy $version for $3, depending on libc6" \
    deb_fields "$deb" "$3"
  check "it holds the program, the manual page and the copyright" \
    has_files "$(dpkg-deb -c "$deb")" ./usr/bin/cpubusy ./usr/share/man/man1/cpubusy.1.gz \
    ./usr/share/doc/cpubusy/copyright
  dpkg-deb -x "$deb" "$root"
  check "the installed cpubusy prints a well-formed report" \
    bash "$here/check_report.sh" lf online "$build/$1"/run-* "$root/usr/bin/cpubusy"
  zcat "$root/usr/share/man/man1/cpubusy.1.gz" >"$root/cpubusy.1"
  check "the installed manual page renders" bash "$here/check_manpage.sh" "$root/cpubusy.1"
  check "its changelog begins with $version" same "cpubusy ($version) unstable; urgency=medium" \
    "$(zcat "$root/usr/share/doc/cpubusy/changelog.gz" | sed -n 1p)"
  check "lintian finds no error or warning in it" lintian --fail-on error,warning "$deb"
}
# check_static PROGRAM static|static-pie MACHINE...: its ELF, and on each
# machine (-: natively; qemu-ARCH[:CPU]) its report and exit statuses in an
# empty root.
check_static() {
  local program=$1 machine where
  check "its cpubusy is $2, with RELRO and a stack that does not execute" \
    static_elf "$program" "$2"
  for machine in "${@:3}"; do
    where=" in an empty root"
    [ "$machine" = - ] || where=" under ${machine/:/ as } with an empty sysroot"
    check "it prints a well-formed report$where" \
      bash "$here/check_report.sh" lf online "$here/run_in_empty_root.sh" "$machine" "$program"
    check "it exits -1 when its report cannot be written$where" \
      bash "$here/check_failures.sh" linux "$here/run_in_empty_root.sh" "$machine" "$program"
  done
}
# kernel_floor PROGRAM MACHINE: the oldest kernel in the program's ELF ABI
# tag, as README.md's table of machines gives it for MACHINE ("3.2" for
# 3.2.0).
kernel_floor() {
  local tag readme
  tag=$(readelf -n "$1" | sed -n 's/.*OS: Linux, ABI: \([0-9.]*\)$/\1/p')
  tag=${tag%.0}
  readme=$(awk -F' *[|] *' -v machine="\`$2\`" 'index($3, machine) == 1 { print $(NF - 1) }' \
    "$here/../README.md")
  [ -n "$tag" ] && same "$tag" "$readme"
}
# libc_named COPYRIGHT: it names the C library's Debian package and version,
# as BUILDINFO has them.
libc_named() {
  local named
  named=$(sed -n "s/.*, Debian's package \([^ ]*\) \([^ ]*\) (source package .*/\1 \2/p" "$1")
  if [ -z "$named" ] || ! awk -v package="${named% *}" -v at="${named#* }" '
    { sub(/:.*/, "", $1) } $1 == package && $2 == at { found = 1 } END { exit !found }' "$dist/BUILDINFO"
  then
    echo "BUILDINFO has no '$named'"
    return 1
  fi
}
check_tar() {  # check_tar PRESET NAME static|static-pie MACHINE...
  local machine=${2%.tar.gz}
  machine=${machine#cpubusy-"$version"-linux-}
  check "$2 holds bin/cpubusy, the manual page, and the C library's licence" \
    has_files "$(tar -tzf "$dist/$2")" bin/cpubusy share/man/man1/cpubusy.1.gz \
    share/doc/cpubusy/copyright share/doc/cpubusy/LGPL-2.1
  tar -xzf "$dist/$2" -C "$scratch"
  check "its kernel floor is the one that README.md gives for $machine" \
    kernel_floor "$scratch/${2%.tar.gz}/bin/cpubusy" "$machine"
  check "its copyright names its C library's Debian package as BUILDINFO does" \
    libc_named "$scratch/${2%.tar.gz}/share/doc/cpubusy/copyright"
  check_static "$scratch/${2%.tar.gz}/bin/cpubusy" "${@:3}"
}
rpm_files='/usr/bin/cpubusy
/usr/share/licenses/cpubusy
/usr/share/licenses/cpubusy/LGPL-2.1
/usr/share/licenses/cpubusy/copyright
/usr/share/man/man1/cpubusy.1.gz'
rpm_clean() {  # rpm_clean RPM: rpmlint, with the project's settings, says nothing
  local said
  said=$(rpmlint -c "$here/rpmlint.toml" "$1")
  grep -q ' 0 errors, 0 warnings' <<<"$said" || { echo "$said"; return 1; }
}
check_rpm() {  # check_rpm PRESET NAME ARCHITECTURE static|static-pie MACHINE...
  local rpm=$dist/$2 root=$scratch/rpm-$3
  check "the RPM $2 is there" test -f "$rpm"
  check "its header names cpubusy $version-1 for $3, an xz payload and SHA-256 digests" \
    same "cpubusy $version-1 $3 xz 8" \
    "$(rpm -qp --qf '%{NAME} %{VERSION}-%{RELEASE} %{ARCH} %{PAYLOADCOMPRESSOR} %{FILEDIGESTALGO}' "$rpm")"
  check "it holds the program, the manual page and the licences, and nothing else" \
    same "$rpm_files" "$(rpm -qpl "$rpm")"
  check "it needs nothing from the system, only features of rpm itself" \
    same "" "$(rpm -qp --requires "$rpm" | grep -v '^rpmlib(')"
  check "its changelog begins with $version" same "- $version-1" \
    "$(rpm -qp --changelog "$rpm" | sed -n '1s/.*> //p')"
  check "rpmlint finds nothing in it" rpm_clean "$rpm"
  check "it installs with rpm into an empty root, with its own database" \
    rpm --root "$root" --dbpath /var/lib/rpm --ignorearch -i "$rpm"
  check "its copyright names its C library's Debian package as BUILDINFO does" \
    libc_named "$root/usr/share/licenses/cpubusy/copyright"
  check_static "$root/usr/bin/cpubusy" "${@:4}"
}
check_zip() {  # check_zip PRESET NAME
  local folder=$scratch/${2%.zip} runner
  check "$2 holds cpubusy.exe, README.txt, LICENSE.txt and share_of_cpu.cmd" \
    has_files "$(unzip -Z1 "$dist/$2")" cpubusy.exe README.txt LICENSE.txt share_of_cpu.cmd
  unzip -q "$dist/$2" -d "$scratch"
  check "its cpubusy.exe is a console program for its Windows, version $version" \
    "$here/check_exe.py" "$folder/cpubusy.exe" "$version"
  check "its README.txt has Windows line ends" grep -q $'\r$' "$folder/README.txt"
  for runner in "$build/$1"/run-*; do
    check "its cpubusy.exe prints a well-formed report through ${runner##*/}" \
      bash "$here/check_report.sh" crlf reported "$runner" "$folder/cpubusy.exe"
  done
}
check_msi() {  # check_msi PRESET NAME PLATFORM
  local msi=$dist/$2 runner
  check "the Windows Installer package $2 is for $3 Windows, cpubusy $version" \
    same "$3;1033 $version" "$(msiinfo suminfo "$msi" | sed -n 's/^Template: //p') $(msiinfo export \
      "$msi" Property | tr -d '\r' | sed -n 's/^ProductVersion\t//p')"
  check "it holds cpubusy.exe, README.txt, LICENSE.txt and share_of_cpu.cmd" has_files \
    "$(msiinfo export "$msi" File | cut -f 3 | sed 's/.*|//' | tr -d '\r')" cpubusy.exe README.txt LICENSE.txt share_of_cpu.cmd
  for runner in "$build/$1"/run-*; do
    check "it installs, upgrades in place, refuses a downgrade and goes under ${runner##*/}" \
      bash "$here/check_msi.sh" "${runner##*/run-}" "$build/$1" "$msi" "$version" "$3"
  done
}
if ! presets=$(cmake -P "$here/../cmake/presets.cmake" release) || [ -z "$presets" ]; then
  echo "FAIL: no list of the presets that ship"
  exit 1
fi
for preset in $presets; do
  mapfile -t files <"$build/$preset/release-files" ||
    { failed=$((failed + 1)); echo "FAIL: $preset: no release-files"; continue; }
  for file in "${files[@]}"; do
    read -r -a fields <<<"$file"  # kind name and what the kind needs
    "check_${fields[0]%.gz}" "$preset" "${fields[@]:1}"
  done
done

# The build record: the commit where this is a git checkout, each shipping
# build's compiler, linker and C library (the compile commands name the
# compiler), and every package at the version installed.
buildinfo_true() {
  local top commit preset compiler library file package at
  grep -qx "Release: cpubusy $version" "$1" || { echo "no release line for $version"; return 1; }
  top=$(cd "$here/.." && pwd -P)
  if [ "$(git -C "$top" rev-parse --show-toplevel 2>/dev/null)" = "$top" ]; then
    commit=$(git -C "$top" rev-parse HEAD)
    grep -qx "Commit: $commit" "$1" || { echo "not commit $commit"; return 1; }
  fi
  for preset in $presets; do
    compiler=$(grep -m1 -o '"command": "[^ ]*' "$build/$preset/compile_commands.json")
    compiler=${compiler##*\"}
    [ -x "$compiler" ] || { echo "$preset: no compiler in its compile commands"; return 1; }
    library=$("$compiler" -print-file-name=libc.a)
    [[ $library == /* ]] || library=$("$compiler" -print-file-name=libmsvcrt.a)
    for file in "$compiler" "$(command -v "$("$compiler" -print-prog-name=ld)")" "$library"; do
      package=$(dpkg -S "$(realpath "$file")" | sed 's/: .*//')
      grep -q "^ ${package:-?} " "$1" || { echo "no ${package:-package}, which holds $file"; return 1; }
    done
  done
  while read -r package at; do
    same "$package $at" "$package $(dpkg-query -W -f='${Version}' "$package")" || return 1
  done < <(sed -n 's/^ //p' "$1")
}
check "BUILDINFO names the commit, each build's compiler, linker and C library, and versions as installed" \
  buildinfo_true "$dist/BUILDINFO"
check "SHA256SUMS holds every other file of $dist, and each one's sum is right" \
  same "$(cd "$dist" && find . -type f ! -name SHA256SUMS -printf '%P\n' | LC_ALL=C sort)" \
  "$(cd "$dist" && sha256sum --quiet -c SHA256SUMS && sed 's/^[0-9a-f]*  //' SHA256SUMS)"

# shellcheck disable=SC2016 # README's backticks
sums=$(grep -o '`sha256sum [^`]*`' "$here/../README.md" | tr -d '`')
check "README.md's '$sums' checks them" sh -c "cd '$dist' && $sums"
check "README.md's commands install this machine's archive, and its .deb, in a fresh Debian 12" \
  bash "$here/check_readme_archive.sh" "$dist"

echo "packages: $passed passed, $failed failed, $skipped skipped"
[ "$failed" -eq 0 ]
