// The kernel's processor numbering, as its sysfs lists give it.
#ifndef CPUBUSY_PLATFORM_LINUX_CPU_LIST_H
#define CPUBUSY_PLATFORM_LINUX_CPU_LIST_H

#include <windows.h>
#include <cstdint>

namespace cpubusy {

// Processor numbers are taken to lie below this; no kernel numbers them
// higher, so a larger one is garbage.
constexpr std::uint64_t kProcessorNumbers = 65536;

// One more than the highest processor number in the cpu list at `path`
// (the kernel's format: "0-3,5,7-9" and a line feed), so that processor N
// keeps its number N whatever is offline below it. If the file cannot be
// read or is not such a list: the C library's count of online processors,
// and failing that 1.
DWORD processor_count(const char* path);

}  // namespace cpubusy

#endif
