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

// Reads the file at `path` afresh and fills `buffer` with as many 48-byte
// records as fit in `length` bytes (at most kMaxStagedRecords): record N
// from the line "cpuN", whatever the order of the lines, and all zeros for
// a processor without a line (an offline one). Counters are converted from
// ticks of `ticks_per_second` to 100 ns units. Writes all records or none:
// a malformed or repeated line, or a file with no per-processor line,
// fails, with nothing written and a returned length of 0. `return_length`
// may be null.
NTSTATUS read_processor_records(const char* path, long ticks_per_second, void* buffer, ULONG length,
                                ULONG* return_length);

}  // namespace cpubusy

#endif
