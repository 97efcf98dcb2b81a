# How this build's programs run. A toolchain file names its target's runners
# in CPUBUSY_RUNNERS; a native build has one, "native". Each runner is a
# command put before a program, which also answers --probe (77 where it
# cannot run programs on this host), --setup and --cleanup. For each, this
# sets CPUBUSY_RUNNER_<name> and writes build/<preset>/run-<name>, which the
# Makefile, the package check and the bench use as the tests do.
if(NOT CPUBUSY_RUNNERS)
  set(CPUBUSY_RUNNERS native)
endif()

foreach(runner IN LISTS CPUBUSY_RUNNERS)
  if(runner MATCHES "^(win32|wow64|win64)$")
    set(command ${PROJECT_SOURCE_DIR}/cmake/wine-run ${runner} ${PROJECT_BINARY_DIR}/wineprefix-${runner})
  elseif(runner STREQUAL "native")
    set(command ${PROJECT_SOURCE_DIR}/cmake/native-run)
  elseif(runner STREQUAL "qemu")
    set(command ${PROJECT_SOURCE_DIR}/cmake/qemu-run ${CPUBUSY_QEMU_ARCH} ${CPUBUSY_SYSROOT})
  else()
    message(FATAL_ERROR "unknown runner '${runner}'")
  endif()
  set(CPUBUSY_RUNNER_${runner} ${command})
  list(JOIN command "' '" quoted)
  file(WRITE ${PROJECT_BINARY_DIR}/run-${runner}
       "#!/bin/sh\n# Runs a program of this build: run-${runner} PROGRAM [ARGUMENT...]\nexec '${quoted}' \"$@\"\n")
  file(CHMOD ${PROJECT_BINARY_DIR}/run-${runner} FILE_PERMISSIONS
       OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()
