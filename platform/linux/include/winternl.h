// The NT status type and the one system information class that cpubusy
// asks for, as <winternl.h> gives them on Windows. The query routine itself
// is not declared: it is reached only through GetProcAddress, as on Windows.
#ifndef CPUBUSY_PLATFORM_LINUX_WINTERNL_H
#define CPUBUSY_PLATFORM_LINUX_WINTERNL_H

#include <windows.h>

#define NTAPI

typedef LONG NTSTATUS;

// Only the class cpubusy asks for, with its value on Windows. Based on int,
// as every enumeration is with Microsoft's compiler, so that any class
// number a caller passes is a value of the type.
// NOLINTNEXTLINE(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp): Windows' own tag
typedef enum _SYSTEM_INFORMATION_CLASS : int {
  SystemProcessorPerformanceInformation = 8,
} SYSTEM_INFORMATION_CLASS;

#endif
