// The few Win32 types and kernel32 functions that cpubusy uses, with the
// platform's names and meanings, for systems that have no Windows. On
// Windows the real <windows.h> is used instead.
#ifndef CPUBUSY_PLATFORM_LINUX_WINDOWS_H
#define CPUBUSY_PLATFORM_LINUX_WINDOWS_H

#include <cstdint>

#define WINAPI

typedef std::uint32_t DWORD;
typedef std::uint16_t WORD;
typedef std::uint32_t ULONG;
typedef std::int32_t LONG;
typedef int BOOL;
typedef ULONG* PULONG;
typedef void* PVOID;
typedef void* LPVOID;
typedef const char* LPCSTR;
typedef std::uintptr_t DWORD_PTR;
typedef std::uintptr_t ULONG_PTR;
typedef ULONG_PTR KAFFINITY;
typedef void* HANDLE;
typedef std::intptr_t INT_PTR;

// Windows' own tag for module handles, kept so that handles do not mix
// with other pointers.
struct HINSTANCE__ {  // NOLINT(bugprone-reserved-identifier,cert-dcl37-c,cert-dcl51-cpp)
  int unused;
};
typedef HINSTANCE__* HINSTANCE;
typedef HINSTANCE HMODULE;

typedef INT_PTR(WINAPI* FARPROC)();

struct SYSTEM_INFO {
  WORD wProcessorArchitecture;
  WORD wReserved;
  DWORD dwPageSize;
  LPVOID lpMinimumApplicationAddress;
  LPVOID lpMaximumApplicationAddress;
  DWORD_PTR dwActiveProcessorMask;
  DWORD dwNumberOfProcessors;
  DWORD dwProcessorType;
  DWORD dwAllocationGranularity;
  WORD wProcessorLevel;
  WORD wProcessorRevision;
};
typedef SYSTEM_INFO* LPSYSTEM_INFO;

// A thread's processors: some of one processor group's. Linux has no
// groups; the run only names the type.
struct GROUP_AFFINITY {
  KAFFINITY Mask;
  WORD Group;
  WORD Reserved[3];
};
typedef GROUP_AFFINITY* PGROUP_AFFINITY;

// Gives a handle for "ntdll.dll" (any case) and null for any other module,
// kernel32.dll among them: nothing here is looked up in it.
HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName);
// Resolves "NtQuerySystemInformation" in the ntdll handle; null otherwise.
FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName);
// The calling thread's pseudo handle, which only names it.
HANDLE WINAPI GetCurrentThread();
// dwNumberOfProcessors is one more than the highest online processor's
// number, so that processor N is reported as N (the C library's count when
// the kernel's list cannot be read); the rest is zero.
void WINAPI GetSystemInfo(LPSYSTEM_INFO lpSystemInfo);
// Sleeps the whole time, resuming after signals.
void WINAPI Sleep(DWORD dwMilliseconds);

#endif
