# Linux on 64-bit MIPS, little-endian (mips64el): MIPS64 release 2.
# uname -m says mips64 for either byte order, so the name says which.
set(CMAKE_SYSTEM_PROCESSOR mips64el)
set(CPUBUSY_TRIPLET mips64el-linux-gnuabi64)
set(CPUBUSY_QEMU_ARCH mips64el)
set(CPUBUSY_QEMU_CPU MIPS64R2-generic)
set(CPUBUSY_DEB_ARCH mips64el)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
# Debian's C library for MIPS asks for an executable stack, where kernels
# before 4.8 emulating a missing FPU ran the instruction after an FPU branch;
# the tool takes no FPU branch, so the program asks for none: the static one
# runs without, the dynamic one gets one all the same from Debian's libc.so.6.
set(CMAKE_EXE_LINKER_FLAGS_INIT -Wl,-z,noexecstack)
