// Processor performance records from the kernel's /proc/stat, laid out as
// NtQuerySystemInformation lays them out for class 8.
#ifndef CPUBUSY_PLATFORM_LINUX_PROC_STAT_H
#define CPUBUSY_PLATFORM_LINUX_PROC_STAT_H

#include <winternl.h>

namespace cpubusy {

constexpr NTSTATUS kStatusSuccess = 0;
constexpr NTSTATUS kStatusUnsuccessful = static_cast<NTSTATUS>(0xC0000001U);
constexpr NTSTATUS kStatusInvalidInfoClass = static_cast<NTSTATUS>(0xC0000003U);

// The most records one query fills: they are staged in the query's own
// storage so that a bad line leaves the caller's buffer untouched.
constexpr ULONG kMaxStagedRecords = 64;

// Reads the file at `path` afresh and writes one 48-byte record per
// per-processor line (cpuN, in file order) into `buffer`, as many as fit
// in `length` bytes (at most kMaxStagedRecords). Counters are converted
// from ticks of `ticks_per_second` to 100 ns units. Writes all records or
// none; on failure nothing is written and the returned length is 0.
// `return_length` may be null.
NTSTATUS read_processor_records(const char* path, long ticks_per_second, void* buffer, ULONG length,
                                ULONG* return_length);

}  // namespace cpubusy

#endif
