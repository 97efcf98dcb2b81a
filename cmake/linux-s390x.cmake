# Linux on IBM Z (s390x), big-endian.
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(CPUBUSY_TRIPLET s390x-linux-gnu)
set(CPUBUSY_QEMU_ARCH s390x)
set(CPUBUSY_DEB_ARCH s390x)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
