# Linux on another architecture, with Debian's cross compiler for
# CPUBUSY_TRIPLET, set by the toolchain file that includes this one. Its
# programs run with the cross C library under qemu-user (cmake/cross-run),
# or natively where CPUBUSY_CROSS_RUN says so and the host can. qemu's
# default processor has every feature, which would hide an instruction that
# the oldest processor of the build lacks: CPUBUSY_QEMU_CPU names the
# processors to emulate, the first for the tests and each of them for the
# release programs.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${CPUBUSY_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${CPUBUSY_TRIPLET}-g++)
set(CPUBUSY_SYSROOT /usr/${CPUBUSY_TRIPLET})
set(CMAKE_FIND_ROOT_PATH ${CPUBUSY_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)  # not the host's GoogleTest
list(APPEND CPUBUSY_PACKAGES g++-${CPUBUSY_TRIPLET} qemu-user)
set(CPUBUSY_RUNNERS cross)
list(SUBLIST CPUBUSY_QEMU_CPU 0 1 cpu)
list(TRANSFORM cpu PREPEND --cpu=)
set(CPUBUSY_RUNNER_cross cross-run ${CPUBUSY_CROSS_RUN} ${cpu} ${CPUBUSY_QEMU_ARCH} ${CPUBUSY_SYSROOT})
