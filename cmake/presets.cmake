# The presets in CMakePresets.json, which are the list of targets, for the
# Makefile and the scripts. A preset with a toolchain file has it in
# cmake/<preset>.cmake, which names in CPUBUSY_PACKAGES the Debian packages
# that the target needs; a preset that ships inherits "release".
#   cmake -P cmake/presets.cmake [release] [Linux|Windows]
#       the names of the presets, in order: those that ship (they inherit
#       "release" directly), those whose system is the one given (else the
#       host's, Linux), or all of them;
#   cmake -P cmake/presets.cmake packages PRESET...
#       the packages of those presets' toolchain files.
cmake_minimum_required(VERSION 3.25)

function(toolchain preset)  # sets system and packages from the preset's toolchain file
  set(CMAKE_SYSTEM_NAME Linux)
  set(CPUBUSY_PACKAGES "")
  if(EXISTS ${CMAKE_CURRENT_LIST_DIR}/${preset}.cmake)
    include(${CMAKE_CURRENT_LIST_DIR}/${preset}.cmake)
  endif()
  set(system ${CMAKE_SYSTEM_NAME} PARENT_SCOPE)
  set(packages ${CPUBUSY_PACKAGES} PARENT_SCOPE)
endfunction()

set(words "")
foreach(i RANGE 3 ${CMAKE_ARGC})  # the words after "cmake -P presets.cmake"
  list(APPEND words ${CMAKE_ARGV${i}})
endforeach()
set(out "")
if(words MATCHES "^packages;|^packages$")
  list(POP_FRONT words)
  foreach(preset IN LISTS words)
    toolchain(${preset})
    list(APPEND out ${packages})
  endforeach()
else()
  foreach(word IN LISTS words)
    if(NOT word MATCHES "^(release|Linux|Windows)$")
      message(FATAL_ERROR "presets.cmake: '${word}' is not release, Linux, Windows or packages")
    endif()
  endforeach()
  file(READ ${CMAKE_CURRENT_LIST_DIR}/../CMakePresets.json json)
  string(JSON count LENGTH "${json}" configurePresets)
  math(EXPR count "${count} - 1")
  foreach(i RANGE ${count})
    string(JSON preset GET "${json}" configurePresets ${i} name)
    string(JSON hidden ERROR_VARIABLE none GET "${json}" configurePresets ${i} hidden)
    string(JSON inherits ERROR_VARIABLE none GET "${json}" configurePresets ${i} inherits)
    if(words MATCHES "Linux|Windows")  # only then is the toolchain file read
      toolchain(${preset})
    endif()
    if(NOT hidden AND (NOT "release" IN_LIST words OR inherits MATCHES "(^|\")release(\"|$)")
       AND (NOT words MATCHES "Linux|Windows" OR system IN_LIST words))
      list(APPEND out ${preset})
    endif()
  endforeach()
endif()
list(JOIN out "\n" out)
execute_process(COMMAND ${CMAKE_COMMAND} -E echo "${out}")
