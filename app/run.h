#ifndef CPUBUSY_APP_RUN_H
#define CPUBUSY_APP_RUN_H

#include <windows.h>
#include <cstdint>

namespace cpubusy {

// The platform operations the run uses, in the order it uses them, and the
// output stream. The process entry fills it with the real ones; tests with
// their own.
struct Platform {
  HMODULE(WINAPI* get_module_handle)(LPCSTR module_name);
  FARPROC(WINAPI* get_proc_address)(HMODULE module, LPCSTR proc_name);
  void(WINAPI* get_system_info)(LPSYSTEM_INFO system_info);
  void(WINAPI* sleep)(DWORD milliseconds);
  int (*print)(const char* format, ...);
};

// Samples every processor's counters twice, 500 ms apart, and prints the
// processor count and each processor's busy share. Returns the process
// exit status: 0 after a report, -1 when the query routine is missing or a
// query fails (with a message in either case).
std::int32_t run_usage_sampling(const Platform& platform);

}  // namespace cpubusy

#endif
