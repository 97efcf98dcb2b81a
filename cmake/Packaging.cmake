# Install rules and release files: a Debian package, a .tar.gz and, where
# RPM distributions ship the architecture, an RPM on Linux; a .zip on
# Windows. The version comes from project().
include(GNUInstallDirs)

set(CPUBUSY_MAINTAINER "cpubusy developers <cpubusy@example.org>")
set(CPUBUSY_DESCRIPTION "cpubusy reads every logical processor's time counters, waits 500 ms,
reads them again and prints the processor count and each processor's
busy share: the integer percentage of the interval that was not idle.")

# The release's date, so that two builds of one commit are the same byte for
# byte: SOURCE_DATE_EPOCH where it is set; else the date that git archive
# wrote into cmake/source-date-epoch (a source tarball); else the last
# commit's date.
if(NOT DEFINED ENV{SOURCE_DATE_EPOCH})
  file(STRINGS ${PROJECT_SOURCE_DIR}/cmake/source-date-epoch archived LIMIT_COUNT 1)
  if(archived MATCHES "^[0-9]+$")
    set(ENV{SOURCE_DATE_EPOCH} ${archived})
  else()
    execute_process(COMMAND git log -1 --format=%ct WORKING_DIRECTORY ${PROJECT_SOURCE_DIR}
                    OUTPUT_VARIABLE committed OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
    if(NOT committed MATCHES "^[0-9]+$")
      message(FATAL_ERROR "No release date: this is neither a git checkout nor a source tarball."
                          " Set SOURCE_DATE_EPOCH to the release's date in seconds since 1970.")
    endif()
    set(ENV{SOURCE_DATE_EPOCH} ${committed})
  endif()
endif()
set(CPUBUSY_SOURCE_DATE_EPOCH $ENV{SOURCE_DATE_EPOCH})
# string(TIMESTAMP) takes SOURCE_DATE_EPOCH for the current time.
string(TIMESTAMP CPUBUSY_DATE "%Y-%m-%d" UTC)
string(TIMESTAMP CPUBUSY_DATE_RFC2822 "%a, %d %b %Y %H:%M:%S +0000" UTC)
set(CMAKE_INSTALL_DEFAULT_DIRECTORY_PERMISSIONS
    OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)

if(WIN32)
  # One folder: the program, and with Windows line ends a plain-text README,
  # the licence and the batch file that README.txt describes.
  install(TARGETS cpubusy RUNTIME DESTINATION .)
  configure_file(${PROJECT_SOURCE_DIR}/doc/README.txt.in README.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(${PROJECT_SOURCE_DIR}/doc/share_of_cpu.cmd share_of_cpu.cmd @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt ${PROJECT_BINARY_DIR}/LICENSE.txt
                ${PROJECT_BINARY_DIR}/share_of_cpu.cmd DESTINATION .)
else()
  # The default install is the program as distributions build it (component
  # dynamic) and its documents; the static one, for the archives and RPMs,
  # comes only with --component static, as it goes to the same place.
  install(TARGETS cpubusy RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT dynamic)
  install(TARGETS cpubusy_static RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR} COMPONENT static
          EXCLUDE_FROM_ALL)

  # Manual page and changelog, compressed reproducibly as Debian wants them.
  configure_file(${PROJECT_SOURCE_DIR}/doc/cpubusy.1.in cpubusy.1 @ONLY)
  configure_file(${PROJECT_SOURCE_DIR}/doc/changelog.in changelog @ONLY)
  foreach(doc cpubusy.1 changelog)
    add_custom_command(OUTPUT ${doc}.gz
                       COMMAND gzip -9n -c ${doc} > ${doc}.gz
                       DEPENDS ${PROJECT_BINARY_DIR}/${doc}
                       WORKING_DIRECTORY ${PROJECT_BINARY_DIR})
  endforeach()
  add_custom_target(cpubusy_docs ALL DEPENDS cpubusy.1.gz changelog.gz)
  install(FILES ${PROJECT_BINARY_DIR}/cpubusy.1.gz DESTINATION ${CMAKE_INSTALL_MANDIR}/man1)
  install(FILES ${PROJECT_BINARY_DIR}/changelog.gz DESTINATION ${CMAKE_INSTALL_DOCDIR})
  install(FILES ${PROJECT_SOURCE_DIR}/doc/copyright DESTINATION ${CMAKE_INSTALL_DOCDIR}
          COMPONENT dynamic)
  # The static program holds the C library, under the LGPL: its copyright
  # says which, gives the licence, and says how to link the program anew.
  find_file(CPUBUSY_FEATURES_H features.h)
  file(STRINGS ${CPUBUSY_FEATURES_H} glibc REGEX "^#define[ \t]+__GLIBC(_MINOR)?__[ \t]")
  string(REGEX REPLACE ".*__GLIBC__[ \t]+([0-9]+).*__GLIBC_MINOR__[ \t]+([0-9]+).*" "\\1.\\2"
         CPUBUSY_GLIBC_VERSION "${glibc}")
  # A release names the Debian package that the library came from, with its
  # version: the cross architectures' lags the native one's.
  set(CPUBUSY_GLIBC_PACKAGE "")
  if(CPUBUSY_RELEASE)
    execute_process(COMMAND ${CMAKE_CXX_COMPILER} -print-file-name=libc.a OUTPUT_VARIABLE libc
                    OUTPUT_STRIP_TRAILING_WHITESPACE)
    get_filename_component(libc "${libc}" REALPATH)
    execute_process(COMMAND dpkg -S ${libc} OUTPUT_VARIABLE package)
    string(REGEX REPLACE ": .*" "" package "${package}")  # with its architecture
    execute_process(COMMAND dpkg-query -W "-f=\${Package} \${Version} (source package \${source:Package} \${source:Version})"
                    ${package} OUTPUT_VARIABLE package)
    set(CPUBUSY_GLIBC_PACKAGE ", Debian's package ${package}")
  endif()
  file(READ ${PROJECT_SOURCE_DIR}/doc/copyright CPUBUSY_COPYRIGHT)
  configure_file(${PROJECT_SOURCE_DIR}/doc/copyright-static.in copyright-static @ONLY)
  install(FILES ${PROJECT_BINARY_DIR}/copyright-static DESTINATION ${CMAKE_INSTALL_DOCDIR}
          RENAME copyright COMPONENT static EXCLUDE_FROM_ALL)
  install(FILES ${PROJECT_SOURCE_DIR}/doc/LGPL-2.1 DESTINATION ${CMAKE_INSTALL_DOCDIR}
          COMPONENT static EXCLUDE_FROM_ALL)
endif()
if(NOT CPUBUSY_RELEASE)
  return()
endif()

# `cmake --build --preset P --target cpubusy_release` puts this build's
# release files into dist/, made by cmake/pack; release-files lists them
# for the package check: a .deb with its architecture; an archive, and an
# RPM with its architecture, each with how its program is linked and the
# machines that run it (-: natively; qemu-ARCH[:CPU]: that qemu-user, as
# that processor).
set(pack ${PROJECT_SOURCE_DIR}/cmake/pack)
set(dist ${PROJECT_SOURCE_DIR}/dist)
set(epoch ${CPUBUSY_SOURCE_DATE_EPOCH})
if(WIN32)
  # A .zip and a Windows Installer package for each Windows build.
  set(bits 32)
  set(platform Intel)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(bits 64)
    set(platform x64)
  endif()
  set(name "cpubusy-${PROJECT_VERSION}-win${bits}")
  file(WRITE ${PROJECT_BINARY_DIR}/release-files "zip ${name}.zip\nmsi ${name}.msi ${platform}\n")
  add_custom_target(cpubusy_release
                    COMMAND ${pack} zip ${PROJECT_BINARY_DIR} ${dist} ${name} ${epoch}
                    COMMAND ${pack} msi ${PROJECT_BINARY_DIR} ${dist} ${name} ${epoch}
                            ${PROJECT_VERSION} ${platform}
                    VERBATIM)
  add_dependencies(cpubusy_release cpubusy)
  return()
endif()
set(CPUBUSY_ARCHIVE_NAME "cpubusy-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR}")
if(NOT CPUBUSY_DEB_ARCH)  # a cross toolchain file sets it
  execute_process(COMMAND dpkg --print-architecture OUTPUT_VARIABLE CPUBUSY_DEB_ARCH
                  OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_QUIET)
endif()
set(CPUBUSY_DEB_NAME "cpubusy_${PROJECT_VERSION}_${CPUBUSY_DEB_ARCH}")
string(REPLACE "\n" "\n " CPUBUSY_DEB_DESCRIPTION " ${CPUBUSY_DESCRIPTION}")
configure_file(${PROJECT_SOURCE_DIR}/cmake/deb-control.in deb-control @ONLY)

set(machines -)
if(CPUBUSY_QEMU_ARCH)
  set(machines qemu-${CPUBUSY_QEMU_ARCH})
  if(CPUBUSY_QEMU_CPU)
    list(TRANSFORM CPUBUSY_QEMU_CPU PREPEND ${machines}: OUTPUT_VARIABLE machines)
  endif()
endif()
list(JOIN machines " " machines)
set(static "$<IF:$<BOOL:${CPUBUSY_STATIC_PIE}>,static-pie,static> ${machines}")
# RPM distributions name their architectures as uname -m does, but for
# 32-bit Arm with hardware floating point; they ship no other.
set(rpm_arch "")
if(CMAKE_SYSTEM_PROCESSOR MATCHES "^(x86_64|aarch64|ppc64le|s390x|i686|riscv64)$")
  set(rpm_arch ${CMAKE_SYSTEM_PROCESSOR})
elseif(CMAKE_SYSTEM_PROCESSOR STREQUAL "armv7l")
  set(rpm_arch armv7hl)
endif()
set(rpm "")
set(rpm_file "")
if(rpm_arch)
  set(name "cpubusy-${PROJECT_VERSION}-1.${rpm_arch}")
  configure_file(${PROJECT_SOURCE_DIR}/cmake/rpmbuild.in rpmbuild @ONLY)
  set(rpm COMMAND ${pack} rpm ${PROJECT_BINARY_DIR} ${dist} ${name} ${epoch}
          ${PROJECT_BINARY_DIR}/rpmbuild ${rpm_arch})
  set(rpm_file "rpm ${name}.rpm ${rpm_arch} ${static}\n")
endif()
file(GENERATE OUTPUT ${PROJECT_BINARY_DIR}/release-files CONTENT
     "deb ${CPUBUSY_DEB_NAME}.deb ${CPUBUSY_DEB_ARCH}\ntar.gz ${CPUBUSY_ARCHIVE_NAME}.tar.gz ${static}\n${rpm_file}")
add_custom_target(cpubusy_release
                  COMMAND ${pack} tar.gz ${PROJECT_BINARY_DIR} ${dist} ${CPUBUSY_ARCHIVE_NAME} ${epoch}
                  COMMAND ${pack} deb ${PROJECT_BINARY_DIR} ${dist} ${CPUBUSY_DEB_NAME} ${epoch}
                          ${PROJECT_BINARY_DIR}/deb-control ${CMAKE_OBJDUMP}
                  ${rpm} VERBATIM)
add_dependencies(cpubusy_release cpubusy cpubusy_static cpubusy_docs)
