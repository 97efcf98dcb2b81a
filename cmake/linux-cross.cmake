# Linux on another architecture, with Debian's cross compiler for
# CPUBUSY_TRIPLET, set by the toolchain file that includes this one. Its
# programs run with the cross C library under qemu-user (cmake/cross-run),
# or natively where CPUBUSY_CROSS_RUN says so and the host can.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${CPUBUSY_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${CPUBUSY_TRIPLET}-g++)
set(CPUBUSY_SYSROOT /usr/${CPUBUSY_TRIPLET})
set(CMAKE_FIND_ROOT_PATH ${CPUBUSY_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
list(APPEND CPUBUSY_PACKAGES g++-${CPUBUSY_TRIPLET} qemu-user)
set(CPUBUSY_RUNNERS cross)
set(CPUBUSY_RUNNER_cross cross-run ${CPUBUSY_CROSS_RUN} ${CPUBUSY_QEMU_ARCH} ${CPUBUSY_SYSROOT})
