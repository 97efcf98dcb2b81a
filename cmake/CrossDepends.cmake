# Read by cpack for each package of a cross build: the Debian package
# depends on a C library at least as new as the newest symbol version that
# the program asks for, as dpkg-shlibdeps would say.
if(CPACK_GENERATOR STREQUAL "DEB")
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
