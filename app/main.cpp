#include <windows.h>
#include <cstdio>

#include "run.h"

// Arguments are ignored: the tool has none.
int main() {
  const cpubusy::Platform platform = {GetModuleHandleA, GetProcAddress, GetSystemInfo, Sleep,
                                      std::printf};
  return cpubusy::run_usage_sampling(platform);
}
