#include <windows.h>
#include <cstdarg>
#include <cstdio>

#include "run.h"

namespace {

// The report's output. Through vprintf the C library can check each call at
// run time where it is built to (_FORTIFY_SOURCE), which it cannot do for
// printf reached through a pointer. It has printf's own signature, which
// the seam asks for.
// NOLINTNEXTLINE(cert-dcl50-cpp)
__attribute__((format(CPUBUSY_PRINTF_FORMAT, 1, 2))) int print(const char* format, ...) {
  std::va_list arguments;
  va_start(arguments, format);
  // The analyzer loses va_start in the C library's fortified vprintf.
  // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized)
  const int written = std::vprintf(format, arguments);
  va_end(arguments);
  return written;
}

}  // namespace

// Arguments are ignored: the tool has none.
int main() {
  const cpubusy::Platform platform = {GetModuleHandleA, GetProcAddress, GetCurrentThread,
                                      GetSystemInfo,    Sleep,          print};
  const int status = cpubusy::run_usage_sampling(platform);
  // Into a file or a pipe the report is still in the buffer here: if it
  // cannot be written (a full disk, a closed descriptor), the exit status
  // is all that can say so.
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    return -1;
  }
  return status;
}
