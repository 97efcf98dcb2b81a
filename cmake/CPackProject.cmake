# Read by cpack before it makes each package.

# Archive members get the release's date as their time.
set(ENV{SOURCE_DATE_EPOCH} ${CPACK_CPUBUSY_SOURCE_DATE_EPOCH})

# A cross build's Debian package depends on a C library at least as new as
# the newest symbol version that the program asks for, as dpkg-shlibdeps
# would say; dpkg-shlibdeps itself knows only this machine's architecture.
if(CPACK_GENERATOR STREQUAL "DEB" AND CPACK_CPUBUSY_OBJDUMP)
  execute_process(COMMAND ${CPACK_CPUBUSY_OBJDUMP} -T ${CPACK_CPUBUSY_PROGRAM}
                  OUTPUT_VARIABLE symbols COMMAND_ERROR_IS_FATAL ANY)
  string(REGEX MATCHALL "GLIBC_[0-9.]+" versions "${symbols}")
  set(newest 0)
  foreach(version IN LISTS versions)
    string(REPLACE "GLIBC_" "" version ${version})
    if(version VERSION_GREATER newest)
      set(newest ${version})
    endif()
  endforeach()
  set(CPACK_DEBIAN_PACKAGE_DEPENDS "libc6 (>= ${newest})")
endif()
