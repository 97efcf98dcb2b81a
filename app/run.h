#ifndef CPUBUSY_APP_RUN_H
#define CPUBUSY_APP_RUN_H

#include <windows.h>
#include <cstdint>
#include <cstdio>

// The archetype for checking the run's format strings, that of the printf
// the process entry passes. On Windows that is mingw-w64's own printf (its
// ANSI stdio, on in C++) rather than msvcrt's, and its <stdio.h> names the
// archetype that goes with it.
#ifdef __MINGW_PRINTF_FORMAT
#define CPUBUSY_PRINTF_FORMAT __MINGW_PRINTF_FORMAT
#else
#define CPUBUSY_PRINTF_FORMAT printf
#endif

namespace cpubusy {

// The platform operations the run uses, in the order it uses them, and the
// output stream. The process entry fills it with the real ones; tests with
// their own.
struct Platform {
  HMODULE(WINAPI* get_module_handle)(LPCSTR module_name);
  FARPROC(WINAPI* get_proc_address)(HMODULE module, LPCSTR proc_name);
  HANDLE(WINAPI* get_current_thread)();
  void(WINAPI* get_system_info)(LPSYSTEM_INFO system_info);
  void(WINAPI* sleep)(DWORD milliseconds);
  int (*print)(const char* format, ...) __attribute__((format(CPUBUSY_PRINTF_FORMAT, 1, 2)));
};

// Samples the counters of every processor, up to the first 32, twice,
// 500 ms apart, and prints the processor count and each sampled processor's
// busy share. Where Windows has processor groups, the run first keeps its
// thread on its own group, so that the count and both samples describe the
// same processors. Returns the process exit status: 0 after a report, -1 when
// the query routine is missing or a query fails (with a message in either
// case).
std::int32_t run_usage_sampling(const Platform& platform);

}  // namespace cpubusy

#endif
