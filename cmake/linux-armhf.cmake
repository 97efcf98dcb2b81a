# Linux on 32-bit ARM with hardware floating point (armhf).
set(CMAKE_SYSTEM_PROCESSOR armv7l)  # as uname -m says on such boards
set(CPUBUSY_TRIPLET arm-linux-gnueabihf)
set(CPUBUSY_QEMU_ARCH arm)
set(CPUBUSY_DEB_ARCH armhf)
set(CPUBUSY_QEMU_CPU cortex-a8,neon=off)  # ARMv7-A with VFPv3 and no NEON, as Debian's baseline
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
# Only a note that GCC 7.1 changed how some arguments are passed on ARM,
# which concerns no interface of ours.
string(APPEND CMAKE_CXX_FLAGS_INIT " -Wno-psabi")
