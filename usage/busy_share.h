#ifndef CPUBUSY_USAGE_BUSY_SHARE_H
#define CPUBUSY_USAGE_BUSY_SHARE_H

#include <cstdint>

#include "processor_record.h"

namespace cpubusy {

// The three counters of a record, in 100 ns units, under the platform's
// names. Kept unsigned so that every sum and difference wraps modulo 2^64
// without undefined behaviour; the kernel's signed values are the same bit
// patterns.
struct ProcessorTimes {
  std::uint64_t IdleTime;
  std::uint64_t KernelTime;  // includes IdleTime
  std::uint64_t UserTime;
};

// The three counters of the record at `record`, which may sit at any address.
ProcessorTimes read_record(const unsigned char* record);

// The share of the interval that was not idle, as a percentage, from the
// earlier and later counters of one processor: the low byte of
// 100 + (earlier idle - later idle) * 100 / total advance. The arithmetic is
// this tool's own, on 64-bit two's-complement values: sums, differences and
// products wrap modulo 2^64, the division is signed and truncates toward
// zero, and -2^63 / -1 is taken as -2^63. Counters that run backwards thus
// give a defined byte, outside 0 to 100 at times, never undefined
// behaviour. A processor whose total did not move gives 0, and so does one
// whose counters are all zero in either record: it had none in that reading
// (offline, or it came or went in between), so its counters measure its
// whole history, not the interval.
std::uint8_t busy_share(const ProcessorTimes& earlier, const ProcessorTimes& later);

}  // namespace cpubusy

#endif
