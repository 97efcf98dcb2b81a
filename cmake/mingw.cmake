# Windows with Debian's mingw-w64 cross compiler for CPUBUSY_TRIPLET, set by
# the toolchain file that includes this one. Programs run under Wine here,
# through cmake/wine-run with a prefix of each runner's own in the build.
set(CMAKE_SYSTEM_NAME Windows)
# The posix threading variant: GoogleTest needs std::mutex.
set(CMAKE_C_COMPILER ${CPUBUSY_TRIPLET}-gcc-posix)
set(CMAKE_CXX_COMPILER ${CPUBUSY_TRIPLET}-g++-posix)
set(CMAKE_RC_COMPILER ${CPUBUSY_TRIPLET}-windres)
set(CMAKE_FIND_ROOT_PATH /usr/${CPUBUSY_TRIPLET})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)  # not the host's GoogleTest
list(APPEND CPUBUSY_PACKAGES python3-pefile file wixl msitools faketime)  # .exe checks, .msi
foreach(runner IN LISTS CPUBUSY_RUNNERS)
  set(CPUBUSY_RUNNER_${runner} wine-run ${runner} ${CMAKE_BINARY_DIR}/wineprefix-${runner})
endforeach()

# Static, so the program needs no libstdc++, libgcc or winpthread DLL.
set(CMAKE_EXE_LINKER_FLAGS_INIT "-static -static-libgcc -static-libstdc++")
