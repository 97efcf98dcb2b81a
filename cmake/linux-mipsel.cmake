# Linux on 32-bit MIPS, little-endian (mipsel): MIPS32 release 2 with an FPU.
# uname -m says mips for either byte order, so the name says which.
set(CMAKE_SYSTEM_PROCESSOR mipsel)
set(CPUBUSY_TRIPLET mipsel-linux-gnu)
set(CPUBUSY_QEMU_ARCH mipsel)
set(CPUBUSY_QEMU_CPU 24Kf)
set(CPUBUSY_DEB_ARCH mipsel)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
# Debian's C library for MIPS asks for an executable stack, where kernels
# before 4.8 emulating a missing FPU ran the instruction after an FPU branch;
# the tool takes no FPU branch, so the program asks for none: the static one
# runs without, the dynamic one gets one all the same from Debian's libc.so.6.
set(CMAKE_EXE_LINKER_FLAGS_INIT -Wl,-z,noexecstack)
