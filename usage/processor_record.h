// The per-processor record that NtQuerySystemInformation fills for
// SystemProcessorPerformanceInformation, and how many of them the tool
// samples. The arithmetic, the run and the Linux stand-in all read or
// write records through this one description.
#ifndef CPUBUSY_USAGE_PROCESSOR_RECORD_H
#define CPUBUSY_USAGE_PROCESSOR_RECORD_H

#include <cstddef>
#include <cstdint>

namespace cpubusy {

// 48 bytes on 32- and 64-bit Windows alike: five 64-bit counters in 100 ns
// units, a 32-bit interrupt count and padding to 8 bytes, little-endian.
constexpr std::size_t kRecordSize = 48;
constexpr std::size_t kIdleTimeOffset = 0;
constexpr std::size_t kKernelTimeOffset = 8;  // includes idle time
constexpr std::size_t kUserTimeOffset = 16;
constexpr std::size_t kDpcTimeOffset = 24;
constexpr std::size_t kInterruptTimeOffset = 32;
constexpr std::size_t kInterruptCountOffset = 40;

// The run samples into two fixed buffers of this many records; processors
// beyond them are counted but not sampled.
constexpr std::uint32_t kMaxSampledProcessors = 32;
constexpr std::size_t kSampleBytes = kMaxSampledProcessors * kRecordSize;

// Byte by byte, so that a record may sit at any address and the host's
// byte order does not matter.
inline std::uint64_t load_le64(const unsigned char* bytes) {
  std::uint64_t value = 0;
  for (int i = 7; i >= 0; --i) {
    value = (value << 8) | bytes[i];
  }
  return value;
}

inline void store_le64(unsigned char* bytes, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) {
    bytes[i] = static_cast<unsigned char>(value >> (8 * i));
  }
}

}  // namespace cpubusy

#endif
