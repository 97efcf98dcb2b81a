# Linux on IBM Z (s390x), big-endian.
set(CMAKE_SYSTEM_PROCESSOR s390x)
set(CPUBUSY_TRIPLET s390x-linux-gnu)
set(CPUBUSY_QEMU_ARCH s390x)
set(CPUBUSY_DEB_ARCH s390x)
# qemu-user starts Debian's baseline, the z196, only with the many
# facilities that it lacks switched off; its own model, without the vector
# facility of the z13 and later, stands for it.
set(CPUBUSY_QEMU_CPU qemu,vx=off,vxeh=off)
include(${CMAKE_CURRENT_LIST_DIR}/linux-cross.cmake)
