# 32-bit x86 Windows, from Windows 2000 (NT 5.0) on; the header asks for
# NT 4.0. Its programs run under Wine in a 32-bit prefix, and through WOW64
# in a 64-bit one, where the host can run 32-bit programs.
set(CMAKE_SYSTEM_PROCESSOR x86)
set(CPUBUSY_TRIPLET i686-w64-mingw32)
set(CPUBUSY_PACKAGES g++-mingw-w64-i686 wine wine32:i386 wine64)  # wow64 needs both
set(CPUBUSY_RUNNERS win32 wow64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
