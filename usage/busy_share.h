#ifndef CPUBUSY_USAGE_BUSY_SHARE_H
#define CPUBUSY_USAGE_BUSY_SHARE_H

#include <cstddef>
#include <cstdint>

namespace cpubusy {

// One processor performance record as the kernel lays it out: 48 bytes,
// little-endian, IdleTime at 0, KernelTime at 8, UserTime at 16.
constexpr std::size_t kRecordSize = 48;

// The three counters of a record, in 100 ns units, under the platform's
// names. Kept unsigned so that every sum and difference wraps modulo 2^64
// without undefined behaviour; the kernel's signed values are the same bit
// patterns.
struct ProcessorTimes {
  std::uint64_t IdleTime;
  std::uint64_t KernelTime;  // includes IdleTime
  std::uint64_t UserTime;
};

// Reads the counters byte by byte: the record may sit at any address.
ProcessorTimes read_record(const unsigned char* record);

// The share of the interval that was not idle, as a percentage, from the
// earlier and later counters of one processor. Mirrors the kernel-side
// 64-bit arithmetic exactly, wrap-around included, so that inconsistent
// samples give the same byte as everywhere else. A processor whose total
// did not move gives 0.
std::uint8_t busy_share(const ProcessorTimes& earlier, const ProcessorTimes& later);

}  // namespace cpubusy

#endif
