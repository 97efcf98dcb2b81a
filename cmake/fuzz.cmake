# The native build with Debian's default clang, whose libFuzzer and
# sanitizer runtimes come in the matching libclang-rt-dev.
set(CMAKE_CXX_COMPILER clang++)
set(CPUBUSY_PACKAGES clang libclang-rt-dev)
