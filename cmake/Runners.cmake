# How this build's programs run. A toolchain file names its target's runners
# in CPUBUSY_RUNNERS, and gives each one's command in CPUBUSY_RUNNER_<name>:
# a script in this folder and its arguments. A native build has one,
# "native". Each becomes build/<preset>/run-<name>, which runs the program
# put after it, or answers --probe (77 where it cannot run programs on this
# host), --setup and --cleanup, as its script does. The tests, the bench,
# the package check and `make run-windows` run programs through them.
if(NOT CPUBUSY_RUNNERS)
  set(CPUBUSY_RUNNERS native)
  set(CPUBUSY_RUNNER_native native-run)
endif()

file(GLOB old ${PROJECT_BINARY_DIR}/run-*)  # from a toolchain file of before
if(old)
  file(REMOVE ${old})
endif()
foreach(runner IN LISTS CPUBUSY_RUNNERS)
  set(script ${PROJECT_BINARY_DIR}/run-${runner})
  set(command ${CPUBUSY_RUNNER_${runner}})
  list(TRANSFORM command PREPEND ${PROJECT_SOURCE_DIR}/cmake/ AT 0)
  string(REPLACE "'" "'\\''" command "${command}")  # for the single quotes below
  list(JOIN command "' '" quoted)
  configure_file(${CMAKE_CURRENT_LIST_DIR}/runner.in ${script} @ONLY)  # executable, as it is
  # Said once here too, so that the reason shows before the tests run.
  execute_process(COMMAND ${script} --probe RESULT_VARIABLE status OUTPUT_VARIABLE said
                  ERROR_VARIABLE said OUTPUT_STRIP_TRAILING_WHITESPACE ERROR_STRIP_TRAILING_WHITESPACE)
  if(status EQUAL 77)
    message(NOTICE "${said}: the tests through run-${runner} will be skipped.")
  elseif(NOT status EQUAL 0)
    message(NOTICE "${said}: the tests through run-${runner} will fail.")
  endif()
endforeach()
