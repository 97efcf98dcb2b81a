#include "run.h"

#include <winternl.h>
#include <cstring>

#include "busy_share.h"
#include "processor_record.h"

namespace cpubusy {

namespace {

// As <winternl.h> declares NtQuerySystemInformation on Windows.
using QuerySystemInformation = NTSTATUS(NTAPI*)(SYSTEM_INFORMATION_CLASS information_class,
                                                PVOID buffer, ULONG length, PULONG return_length);

// Windows 7 and Server 2008 R2 on; looked up, so that older Windows still
// start the program.
using GetThreadGroupAffinityRoutine = BOOL(WINAPI*)(HANDLE thread, PGROUP_AFFINITY affinity);
using SetThreadGroupAffinityRoutine = BOOL(WINAPI*)(HANDLE thread, const GROUP_AFFINITY* affinity,
                                                    PGROUP_AFFINITY previous);

constexpr DWORD kPauseMilliseconds = 500;

// GetProcAddress hands back a generic function pointer; it goes back to the
// routine's own type through void (*)(), which tells GCC that the cast
// between function types is meant.
template <typename Routine>
Routine look_up(const Platform& platform, HMODULE module, LPCSTR name) {
  return reinterpret_cast<Routine>(
      reinterpret_cast<void (*)()>(platform.get_proc_address(module, name)));
}

// With more than 64 processors Windows splits them into groups, and the
// count and each query describe the group that the thread runs on at that
// moment; since Windows 11 a thread may move between groups. Keeping the
// thread on its own group makes every share come from one processor's two
// samples. Where the routines are missing there is one group. If a call
// fails, the thread is left as it was, as on every Windows before groups.
void keep_to_own_group(const Platform& platform) {
  const HMODULE kernel32 = platform.get_module_handle("kernel32.dll");
  if (kernel32 == nullptr) {
    return;
  }
  const auto get_affinity =
      look_up<GetThreadGroupAffinityRoutine>(platform, kernel32, "GetThreadGroupAffinity");
  const auto set_affinity =
      look_up<SetThreadGroupAffinityRoutine>(platform, kernel32, "SetThreadGroupAffinity");
  if (get_affinity == nullptr || set_affinity == nullptr) {
    return;
  }
  HANDLE thread = platform.get_current_thread();
  GROUP_AFFINITY affinity{};
  if (get_affinity(thread, &affinity) != 0) {
    set_affinity(thread, &affinity, nullptr);
  }
}

// Fills one sample. A failed query would leave zero counters that read as a
// real interval, so it ends the run instead; a query for no record at all
// is not judged, as Windows rejects a length of 0 whatever the counters.
bool take_sample(const Platform& platform, QuerySystemInformation query, unsigned char* sample,
                 ULONG length, ULONG* returned_length) {
  const NTSTATUS status =
      query(SystemProcessorPerformanceInformation, sample, length, returned_length);
  if (length != 0 && status < 0) {
    platform.print("\n*** ntquerysysteminformation failed: 0x%08X",
                   static_cast<unsigned>(static_cast<std::uint32_t>(status)));
    return false;
  }
  return true;
}

}  // namespace

std::int32_t run_usage_sampling(const Platform& platform) {
  unsigned char first_sample[kSampleBytes];
  unsigned char second_sample[kSampleBytes];
  std::memset(first_sample, 0, sizeof first_sample);
  std::memset(second_sample, 0, sizeof second_sample);

  const HMODULE ntdll = platform.get_module_handle("ntdll.dll");
  const auto query = look_up<QuerySystemInformation>(platform, ntdll, "NtQuerySystemInformation");
  if (query == nullptr) {
    platform.print("\n*** no ntquerysysteminformation api?.. bugger");
    return -1;
  }
  keep_to_own_group(platform);

  SYSTEM_INFO system_info{};
  platform.get_system_info(&system_info);
  const DWORD processor_count = system_info.dwNumberOfProcessors;
  platform.print("\n[i] Processor Count: %d\n", static_cast<int>(processor_count));

  // The buffers hold 32 records: beyond that, the count line gives every
  // processor counted, but only the first 32 are sampled and reported.
  const DWORD sampled =
      processor_count < kMaxSampledProcessors ? processor_count : kMaxSampledProcessors;
  const auto length = static_cast<ULONG>(sampled * kRecordSize);
  ULONG returned_length = 0;
  if (!take_sample(platform, query, first_sample, length, &returned_length)) {
    return -1;
  }
  platform.sleep(kPauseMilliseconds);
  if (!take_sample(platform, query, second_sample, length, &returned_length)) {
    return -1;
  }

  // cppcheck-suppress knownConditionTrueFalse ; the count comes through get_system_info
  for (DWORD index = 0; index < sampled; ++index) {
    const std::size_t offset = index * kRecordSize;
    const std::uint8_t share =
        busy_share(read_record(first_sample + offset), read_record(second_sample + offset));
    platform.print("\n[i] CPU %02d: = %0d%%", static_cast<int>(index), static_cast<int>(share));
  }
  return 0;
}

}  // namespace cpubusy
