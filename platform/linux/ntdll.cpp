#include "ntdll.h"

#include <unistd.h>
#include <winternl.h>
#include <cstring>

#include "proc_stat.h"

namespace cpubusy {

namespace {

// Not declared anywhere else: reachable only through GetProcAddress.
NTSTATUS NTAPI NtQuerySystemInformation(SYSTEM_INFORMATION_CLASS information_class, PVOID buffer,
                                        ULONG length, PULONG return_length) {
  if (information_class != SystemProcessorPerformanceInformation) {
    if (return_length != nullptr) {
      *return_length = 0;
    }
    return kStatusInvalidInfoClass;
  }
  return read_processor_records("/proc/stat", sysconf(_SC_CLK_TCK), buffer, length, return_length);
}

}  // namespace

FARPROC ntdll_export(LPCSTR name) {
  if (name == nullptr || std::strcmp(name, "NtQuerySystemInformation") != 0) {
    return nullptr;
  }
  // Function pointers convert freely through void (*)(); callers cast back
  // to the routine's own type before calling, as with any GetProcAddress.
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&NtQuerySystemInformation));
}

}  // namespace cpubusy
