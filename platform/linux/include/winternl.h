// The NT status type, as <winternl.h> gives it on Windows. The query
// routine itself is not declared: it is reached only through
// GetProcAddress, as on Windows.
#ifndef CPUBUSY_PLATFORM_LINUX_WINTERNL_H
#define CPUBUSY_PLATFORM_LINUX_WINTERNL_H

#include <windows.h>

#define NTAPI

typedef LONG NTSTATUS;

#endif
