#include "busy_share.h"

namespace cpubusy {

namespace {

bool is_negative(std::uint64_t value) { return (value >> 63) != 0; }

// Two's-complement magnitude; 2^63 for the most negative value.
std::uint64_t magnitude(std::uint64_t value) { return is_negative(value) ? 0 - value : value; }

// Signed 64-bit division truncating toward zero, on bit patterns. Working
// on magnitudes keeps INT64_MIN / -1 defined (in C++ it is undefined, and
// x86 traps on it): its quotient, 2^63, wraps to INT64_MIN.
std::uint64_t divide_signed(std::uint64_t dividend, std::uint64_t divisor) {
  const std::uint64_t quotient = magnitude(dividend) / magnitude(divisor);
  return is_negative(dividend) != is_negative(divisor) ? 0 - quotient : quotient;
}

// A record of all zeros is a processor that one reading did not have: one
// that was offline, or came or went between the two. It has no interval.
bool is_empty(const ProcessorTimes& times) {
  return (times.IdleTime | times.KernelTime | times.UserTime) == 0;
}

}  // namespace

ProcessorTimes read_record(const unsigned char* record) {
  return {load_le64(record + kIdleTimeOffset), load_le64(record + kKernelTimeOffset),
          load_le64(record + kUserTimeOffset)};
}

std::uint8_t busy_share(const ProcessorTimes& earlier, const ProcessorTimes& later) {
  const std::uint64_t total =
      (later.KernelTime + later.UserTime) - (earlier.KernelTime + earlier.UserTime);
  if (total == 0 || is_empty(earlier) || is_empty(later)) {
    return 0;
  }
  const std::uint64_t scaled_idle = (earlier.IdleTime - later.IdleTime) * 100;
  const std::uint64_t quotient = divide_signed(scaled_idle, total);
  return static_cast<std::uint8_t>((100 + quotient) & 0xFF);
}

}  // namespace cpubusy
