#include "busy_share.h"

namespace cpubusy {

namespace {

std::uint64_t load_le64(const unsigned char* bytes) {
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) {
    value = (value << 8) | bytes[i];
  }
  return value;
}

bool is_negative(std::uint64_t value) { return (value >> 63) != 0; }

// Two's-complement magnitude; 2^63 for the most negative value.
std::uint64_t magnitude(std::uint64_t value) { return is_negative(value) ? 0 - value : value; }

// Signed 64-bit division truncating toward zero, on bit patterns. Working
// on magnitudes avoids the trap of INT64_MIN / -1, whose result wraps to
// INT64_MIN as the hardware's wrapped product would.
std::uint64_t divide_signed(std::uint64_t dividend, std::uint64_t divisor) {
  const std::uint64_t quotient = magnitude(dividend) / magnitude(divisor);
  return is_negative(dividend) != is_negative(divisor) ? 0 - quotient : quotient;
}

}  // namespace

ProcessorTimes read_record(const unsigned char* record) {
  return {load_le64(record), load_le64(record + 8), load_le64(record + 16)};
}

std::uint8_t busy_share(const ProcessorTimes& earlier, const ProcessorTimes& later) {
  const std::uint64_t total =
      (later.KernelTime + later.UserTime) - (earlier.KernelTime + earlier.UserTime);
  if (total == 0) {
    return 0;
  }
  const std::uint64_t scaled_idle = (earlier.IdleTime - later.IdleTime) * 100;
  const std::uint64_t quotient = divide_signed(scaled_idle, total);
  return static_cast<std::uint8_t>((100 + quotient) & 0xFF);
}

}  // namespace cpubusy
