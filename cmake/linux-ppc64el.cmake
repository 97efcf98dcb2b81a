# Linux on 64-bit POWER, little-endian (ppc64el).
set(CMAKE_SYSTEM_PROCESSOR ppc64le)
set(CPUBUSY_TRIPLET powerpc64le-linux-gnu)
set(CPUBUSY_QEMU_ARCH ppc64le)
set(CPUBUSY_DEB_ARCH ppc64el)
set(CPUBUSY_QEMU_CPU power8)  # Debian's baseline
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
