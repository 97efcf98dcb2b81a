// What ntdll.dll exports, for GetProcAddress to look up.
#ifndef CPUBUSY_PLATFORM_LINUX_NTDLL_H
#define CPUBUSY_PLATFORM_LINUX_NTDLL_H

#include <windows.h>

namespace cpubusy {

// The routine exported under `name` (compared exactly), or null.
FARPROC ntdll_export(LPCSTR name);

}  // namespace cpubusy

#endif
