// Unsigned decimal numbers in the kernel's text files, read without
// locale, sign or base prefix, and never past 2^64 - 1.
#ifndef CPUBUSY_PLATFORM_LINUX_DECIMAL_H
#define CPUBUSY_PLATFORM_LINUX_DECIMAL_H

#include <cstdint>

namespace cpubusy {

inline bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Reads the digits at `p` (at least one) into `value` and leaves `p` after
// them. False when there is no digit or the number does not fit.
inline bool parse_decimal(const char*& p, const char* end, std::uint64_t& value) {
  if (p == end || !is_digit(*p)) {
    return false;
  }
  value = 0;
  for (; p != end && is_digit(*p); ++p) {
    const auto digit = static_cast<std::uint64_t>(*p - '0');
    if (value > (UINT64_MAX - digit) / 10) {
      return false;
    }
    value = value * 10 + digit;
  }
  return true;
}

}  // namespace cpubusy

#endif
