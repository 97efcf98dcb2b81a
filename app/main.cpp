#include <windows.h>
#include <cstdio>

#include "run.h"

// Arguments are ignored: the tool has none.
int main() {
  const cpubusy::Platform platform = {GetModuleHandleA, GetProcAddress, GetSystemInfo, Sleep,
                                      std::printf};
  const int status = cpubusy::run_usage_sampling(platform);
  // Into a file or a pipe the report is still in the buffer here: if it
  // cannot be written (a full disk, a closed descriptor), the exit status
  // is all that can say so.
  if (std::fflush(stdout) != 0 || std::ferror(stdout) != 0) {
    return -1;
  }
  return status;
}
