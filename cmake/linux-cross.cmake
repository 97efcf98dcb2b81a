# Linux on another architecture, with Debian's cross compiler for
# CPUBUSY_TRIPLET, set by the toolchain file that includes this one. Its
# programs run under qemu-user with the cross C library (qemu-run).
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_C_COMPILER ${CPUBUSY_TRIPLET}-gcc)
set(CMAKE_CXX_COMPILER ${CPUBUSY_TRIPLET}-g++)
set(CPUBUSY_SYSROOT /usr/${CPUBUSY_TRIPLET})
set(CMAKE_FIND_ROOT_PATH ${CPUBUSY_SYSROOT})
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CPUBUSY_RUNNERS qemu)
