# Linux on 32-bit ARM with software floating point (armel): ARMv5TE and
# later, so also the ARMv6 of the Raspberry Pi Zero and Pi 1.
set(CMAKE_SYSTEM_PROCESSOR armv5tel)  # as uname -m says on the oldest such boards
set(CPUBUSY_TRIPLET arm-linux-gnueabi)
set(CPUBUSY_QEMU_ARCH arm)
set(CPUBUSY_QEMU_CPU arm926 arm1176)  # ARMv5TE for the suite; the Pi Zero's ARMv6 too
set(CPUBUSY_DEB_ARCH armel)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
# Only a note that GCC 7.1 changed how some arguments are passed on ARM,
# which concerns no interface of ours.
string(APPEND CMAKE_CXX_FLAGS_INIT " -Wno-psabi")
