# Install rules and release files: a Debian package and a .tar.gz on Linux,
# a .zip on Windows, all put into dist/ by the target cpubusy_release. The
# version comes from project().
include(GNUInstallDirs)

set(CPUBUSY_MAINTAINER "cpubusy developers <cpubusy@example.org>")

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
  # One folder: the program and a plain-text README with Windows line ends.
  install(TARGETS cpubusy RUNTIME DESTINATION .)
  configure_file(${PROJECT_SOURCE_DIR}/doc/README.txt.in README.txt @ONLY NEWLINE_STYLE CRLF)
  configure_file(${PROJECT_SOURCE_DIR}/LICENSE LICENSE.txt @ONLY NEWLINE_STYLE CRLF)
  install(FILES ${PROJECT_BINARY_DIR}/README.txt ${PROJECT_BINARY_DIR}/LICENSE.txt DESTINATION .)
  if(CMAKE_SIZEOF_VOID_P EQUAL 8)
    set(CPUBUSY_ARCHIVE_NAME "cpubusy-${PROJECT_VERSION}-win64")
  else()
    set(CPUBUSY_ARCHIVE_NAME "cpubusy-${PROJECT_VERSION}-win32")
  endif()
else()
  install(TARGETS cpubusy RUNTIME DESTINATION ${CMAKE_INSTALL_BINDIR})

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
  install(FILES ${PROJECT_BINARY_DIR}/changelog.gz ${PROJECT_SOURCE_DIR}/doc/copyright
          DESTINATION ${CMAKE_INSTALL_DOCDIR})

  set(CPACK_GENERATOR DEB)
  set(CPUBUSY_ARCHIVE_NAME "cpubusy-${PROJECT_VERSION}-linux-${CMAKE_SYSTEM_PROCESSOR}")
  set(CPACK_DEBIAN_FILE_NAME DEB-DEFAULT)
  set(CPACK_DEBIAN_PACKAGE_SECTION utils)
  set(CPACK_DEBIAN_PACKAGE_PRIORITY optional)
  if(CMAKE_CROSSCOMPILING)
    # dpkg-shlibdeps knows only this machine's architecture: the C library
    # version comes from the program's own symbol versions instead.
    set(CPACK_DEBIAN_PACKAGE_ARCHITECTURE ${CPUBUSY_DEB_ARCH})
    set(CPACK_CPUBUSY_OBJDUMP ${CMAKE_OBJDUMP})
    set(CPACK_CPUBUSY_PROGRAM ${PROJECT_BINARY_DIR}/cpubusy)
  else()
    set(CPACK_DEBIAN_PACKAGE_SHLIBDEPS ON)
  endif()
  set(CPACK_DEBIAN_PACKAGE_CONTROL_STRICT_PERMISSION ON)
  # The summary line comes from CPACK_PACKAGE_DESCRIPTION_SUMMARY.
  set(CPACK_DEBIAN_PACKAGE_DESCRIPTION "\
cpubusy reads every logical processor's time counters, waits 500 ms,
reads them again and prints the processor count and each processor's
busy share: the integer percentage of the interval that was not idle.")
endif()

set(CPACK_PACKAGE_NAME cpubusy)
set(CPACK_PACKAGE_VERSION ${PROJECT_VERSION})
set(CPACK_PACKAGE_CONTACT ${CPUBUSY_MAINTAINER})
set(CPACK_PACKAGE_DESCRIPTION_SUMMARY "per-processor busy shares over half a second")
set(CPACK_PACKAGE_DIRECTORY ${PROJECT_SOURCE_DIR}/dist)
set(CPACK_THREADS 0)
set(CPACK_STRIP_FILES ON)
set(CPACK_CPUBUSY_SOURCE_DATE_EPOCH ${CPUBUSY_SOURCE_DATE_EPOCH})
set(CPACK_PROJECT_CONFIG_FILE ${PROJECT_SOURCE_DIR}/cmake/CPackProject.cmake)
include(CPack)

# The archive (.tar.gz or .zip) comes from cmake/pack, whose bytes do not
# depend on the file system's order; the Debian package from CPack, which
# sorts its members, with a fixed umask and time zone and under fakeroot.
# Installing builds only what the release needs, not the tests.
set(CMAKE_SKIP_INSTALL_ALL_DEPENDENCY ON)
if(WIN32)
  # Stripped as it was linked: strip would stamp the header with its time.
  set(archive zip ${PROJECT_BINARY_DIR} ${CPACK_PACKAGE_DIRECTORY} ${CPUBUSY_ARCHIVE_NAME}
      ${CPUBUSY_SOURCE_DATE_EPOCH})
  add_custom_target(cpubusy_release COMMAND ${PROJECT_SOURCE_DIR}/cmake/pack ${archive} VERBATIM)
  add_dependencies(cpubusy_release cpubusy)
else()
  set(archive tar.gz ${PROJECT_BINARY_DIR} ${CPACK_PACKAGE_DIRECTORY} ${CPUBUSY_ARCHIVE_NAME}
      ${CPUBUSY_SOURCE_DATE_EPOCH} --strip)
  add_custom_target(cpubusy_release
                    COMMAND ${PROJECT_SOURCE_DIR}/cmake/pack ${archive}
                    COMMAND sh -c "umask 022 && TZ=UTC0 exec fakeroot cpack >/dev/null"
                    WORKING_DIRECTORY ${PROJECT_BINARY_DIR} VERBATIM)
  add_dependencies(cpubusy_release cpubusy cpubusy_docs)
endif()
