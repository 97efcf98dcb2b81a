# Linux on 64-bit RISC-V (riscv64).
set(CMAKE_SYSTEM_PROCESSOR riscv64)
set(CPUBUSY_TRIPLET riscv64-linux-gnu)
set(CPUBUSY_QEMU_ARCH riscv64)
set(CPUBUSY_DEB_ARCH riscv64)
set(CPUBUSY_QEMU_CPU sifive-u54)  # RV64GC, Debian's baseline
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
