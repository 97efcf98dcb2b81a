# x64 Windows, from Windows XP x64 and Server 2003 (NT 5.2) on, for those
# that cannot run 32-bit programs. Its programs run under Wine's 64-bit
# loader alone, on every host.
set(CMAKE_SYSTEM_PROCESSOR AMD64)
set(CPUBUSY_TRIPLET x86_64-w64-mingw32)
set(CPUBUSY_PACKAGES g++-mingw-w64-x86-64 wine64)
set(CPUBUSY_RUNNERS win64)
include(${CMAKE_CURRENT_LIST_DIR}/mingw.cmake)
