# Linux on 32-bit x86 (i386): natively, through the cross C library's own
# loader, where the host runs 32-bit programs; else under qemu-i386.
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CPUBUSY_TRIPLET i686-linux-gnu)
set(CPUBUSY_QEMU_ARCH i386)
set(CPUBUSY_DEB_ARCH i386)
set(CPUBUSY_CROSS_RUN --x86)
set(CPUBUSY_QEMU_CPU pentium2)  # a P6, as Debian's i686 baseline (and MMX)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
