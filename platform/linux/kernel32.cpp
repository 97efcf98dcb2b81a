#include <windows.h>
#include <cerrno>
#include <ctime>

#include "cpu_list.h"
#include "ntdll.h"

namespace {

// The one module this stand-in knows; its address is the handle.
HINSTANCE__ ntdll_module = {0};
// What this stand-in's thread handle points at: nothing reads it.
int current_thread = 0;

char ascii_lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

// Module names compare without regard to case, as on Windows.
bool same_module_name(LPCSTR a, LPCSTR b) {
  for (; *a != '\0' && *b != '\0'; ++a, ++b) {
    if (ascii_lower(*a) != ascii_lower(*b)) {
      return false;
    }
  }
  return *a == *b;
}

}  // namespace

HMODULE WINAPI GetModuleHandleA(LPCSTR lpModuleName) {
  if (lpModuleName == nullptr || !same_module_name(lpModuleName, "ntdll.dll")) {
    return nullptr;
  }
  return &ntdll_module;
}

// cppcheck-suppress constParameter ; the platform's signature
FARPROC WINAPI GetProcAddress(HMODULE hModule, LPCSTR lpProcName) {
  if (hModule != &ntdll_module) {
    return nullptr;
  }
  return cpubusy::ntdll_export(lpProcName);
}

HANDLE WINAPI GetCurrentThread() { return &current_thread; }

void WINAPI GetSystemInfo(LPSYSTEM_INFO lpSystemInfo) {
  *lpSystemInfo = SYSTEM_INFO{};
  lpSystemInfo->dwNumberOfProcessors = cpubusy::processor_count("/sys/devices/system/cpu/online");
}

void WINAPI Sleep(DWORD dwMilliseconds) {
  timespec left = {static_cast<time_t>(dwMilliseconds / 1000),
                   static_cast<long>(dwMilliseconds % 1000) * 1000000L};
  // The remaining time comes back in `left` when a signal cuts the sleep short.
  while (clock_nanosleep(CLOCK_MONOTONIC, 0, &left, &left) == EINTR) {
  }
}
