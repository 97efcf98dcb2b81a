# Linux on 32-bit x86 (i386).
set(CMAKE_SYSTEM_PROCESSOR i686)
set(CPUBUSY_TRIPLET i686-linux-gnu)
set(CPUBUSY_QEMU_ARCH i386)
set(CPUBUSY_DEB_ARCH i386)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
