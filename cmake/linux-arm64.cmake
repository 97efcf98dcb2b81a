# Linux on 64-bit ARM (arm64).
set(CMAKE_SYSTEM_PROCESSOR aarch64)
set(CPUBUSY_TRIPLET aarch64-linux-gnu)
set(CPUBUSY_QEMU_ARCH aarch64)
set(CPUBUSY_DEB_ARCH arm64)
set(CPUBUSY_QEMU_CPU cortex-a53)  # ARMv8.0, Debian's baseline
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
