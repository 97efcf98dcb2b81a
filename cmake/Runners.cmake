# How this build's programs run. A toolchain file names its target's runners
# in CPUBUSY_RUNNERS; a native build has one, "native". Each runner becomes
# build/<preset>/run-<name>: a command put before a program, which also
# answers --probe (77 where it cannot run programs on this host), --setup
# and --cleanup. The tests, the Makefile, the package check and the bench
# all run programs through these.
if(NOT CPUBUSY_RUNNERS)
  set(CPUBUSY_RUNNERS native)
endif()

# Whether this host runs 32-bit x86 programs, found out once, by starting
# one, for every runner that needs to know.
function(cpubusy_host_runs_32bit out_status out_reason)
  if(NOT DEFINED CPUBUSY_32BIT_STATUS)
    execute_process(COMMAND ${PROJECT_SOURCE_DIR}/cmake/runs-32bit RESULT_VARIABLE status
                    OUTPUT_VARIABLE reason OUTPUT_STRIP_TRAILING_WHITESPACE)
    set(CPUBUSY_32BIT_STATUS ${status} PARENT_SCOPE)
    set(CPUBUSY_32BIT_REASON "${reason}" PARENT_SCOPE)
  else()
    set(status ${CPUBUSY_32BIT_STATUS})
    set(reason "${CPUBUSY_32BIT_REASON}")
  endif()
  set(${out_status} ${status} PARENT_SCOPE)
  set(${out_reason} "${reason}" PARENT_SCOPE)
endfunction()

foreach(runner IN LISTS CPUBUSY_RUNNERS)
  set(script ${PROJECT_BINARY_DIR}/run-${runner})
  set(body "")
  if(runner MATCHES "^(win32|wow64|win64)$")
    set(command ${PROJECT_SOURCE_DIR}/cmake/wine-run ${runner} ${PROJECT_BINARY_DIR}/wineprefix-${runner})
    if(NOT runner STREQUAL "win64")
      cpubusy_host_runs_32bit(status reason)
      string(REPLACE "'" "'\\''" quoted_reason "${reason}")
      if(status EQUAL 1)
        message(NOTICE "${reason}: the tests through run-${runner} will be skipped.")
        set(body "echo 'SKIP: ${quoted_reason}, so no 32-bit Windows program runs under Wine (${runner})'\nexit 77\n")
      elseif(NOT status EQUAL 0)
        message(NOTICE "${reason}: the tests through run-${runner} will fail.")
        set(body "echo 'run-${runner}: ${quoted_reason}' >&2\nexit 2\n")
      endif()
    endif()
  elseif(runner STREQUAL "native")
    set(command ${PROJECT_SOURCE_DIR}/cmake/native-run)
  elseif(runner STREQUAL "qemu")
    set(mode emulate)
    if(CPUBUSY_QEMU_ARCH STREQUAL "i386")
      # Natively where the host can; qemu-i386 runs it anywhere.
      cpubusy_host_runs_32bit(status reason)
      if(status EQUAL 0)
        set(mode native)
      else()
        message(NOTICE "${reason}: its programs run under qemu-i386.")
      endif()
    endif()
    set(command ${PROJECT_SOURCE_DIR}/cmake/qemu-run ${mode} ${CPUBUSY_QEMU_ARCH} ${CPUBUSY_SYSROOT})
  else()
    message(FATAL_ERROR "unknown runner '${runner}'")
  endif()
  string(REPLACE "'" "'\\''" command "${command}")  # for the single quotes below
  list(JOIN command "' '" quoted)
  file(WRITE ${script} "#!/bin/sh\n# Runs a program of this build: run-${runner} PROGRAM [ARGUMENT...]\n"
                       "${body}exec '${quoted}' \"$@\"\n")
  file(CHMOD ${script} FILE_PERMISSIONS OWNER_READ OWNER_WRITE OWNER_EXECUTE GROUP_READ
                                        GROUP_EXECUTE WORLD_READ WORLD_EXECUTE)
endforeach()
