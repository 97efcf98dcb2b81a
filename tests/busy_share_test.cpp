#include <cstdint>
#include <cstring>
#include <random>

#include <gtest/gtest.h>

#include "busy_share.h"

namespace cpubusy {
namespace {

constexpr std::uint64_t kMin = std::uint64_t{1} << 63;  // bit pattern of -2^63
constexpr std::uint64_t kMax = kMin - 1;
constexpr std::uint64_t kMinusOne = ~std::uint64_t{0};

std::uint64_t twos(std::int64_t value) { return static_cast<std::uint64_t>(value); }

struct AdvanceCase {
  std::int64_t idle_advance;
  std::int64_t total_advance;
  int share;
};

class AdvanceTest : public ::testing::TestWithParam<AdvanceCase> {};

TEST_P(AdvanceTest, GivesTheShareOfTheTable) {
  const AdvanceCase c = GetParam();
  // Start from non-zero counters, with the total's advance split between
  // kernel and user, so that a mixed-up member shows.
  const ProcessorTimes earlier = {5000, 7000, 3000};
  const std::uint64_t kernel_advance = twos(c.total_advance) / 2;
  const ProcessorTimes later = {earlier.IdleTime + twos(c.idle_advance),
                                earlier.KernelTime + kernel_advance,
                                earlier.UserTime + (twos(c.total_advance) - kernel_advance)};
  EXPECT_EQ(busy_share(earlier, later), c.share);
}

INSTANTIATE_TEST_SUITE_P(Table, AdvanceTest,
                         ::testing::Values(AdvanceCase{0, 1000, 100}, AdvanceCase{1000, 1000, 0},
                                           AdvanceCase{1, 3, 67}, AdvanceCase{999, 1000, 1},
                                           AdvanceCase{1, 1000, 100}, AdvanceCase{1010, 1000, 255},
                                           AdvanceCase{-10, 1000, 101}, AdvanceCase{1009, 1000, 0},
                                           AdvanceCase{2000, 1000, 156}, AdvanceCase{-9, 1000, 100},
                                           AdvanceCase{-1560, 1000, 0},
                                           AdvanceCase{-1550, 1000, 255}, AdvanceCase{93, 100, 7},
                                           AdvanceCase{95, 100, 5},
                                           // Total of 0: nothing to divide by.
                                           AdvanceCase{0, 0, 0}, AdvanceCase{1000, 0, 0},
                                           AdvanceCase{-1, 0, 0}));

TEST(BusyShare, ARecordOfAllZerosGivesZero) {
  // A processor missing from one reading has all-zero counters there; the
  // other record alone is its whole history (75 and 67 here), not the interval.
  const ProcessorTimes zero = {0, 0, 0};
  for (const ProcessorTimes& counters :
       {ProcessorTimes{250, 1000, 0}, ProcessorTimes{1, 2, 1}, ProcessorTimes{0, 0, 1},
        ProcessorTimes{kMin, kMinusOne, 7}}) {
    EXPECT_EQ(busy_share(zero, counters), 0);
    EXPECT_EQ(busy_share(counters, zero), 0);
  }
  // One zero counter is not a missing record: an idle counter still at 0.
  EXPECT_EQ(busy_share({0, 0, 100}, {0, 0, 200}), 100);
}

TEST(BusyShare, MostNegativeQuotientDoesNotTrap) {
  // Scaled idle of -2^63 over a total of -1: the one quotient that does not
  // fit, wrapped to -2^63, whose low byte is 0.
  std::uint64_t inverse_of_25 = 25;  // Newton's iteration for 25^-1 mod 2^64
  for (int i = 0; i < 6; ++i) {
    inverse_of_25 *= 2 - 25 * inverse_of_25;
  }
  const std::uint64_t idle_drop = inverse_of_25 << 61;  // times 100 is 2^63
  ASSERT_EQ(idle_drop * 100, kMin);
  const ProcessorTimes earlier = {idle_drop + 5, 2, 0};
  const ProcessorTimes later = {5, 1, 0};
  EXPECT_EQ(busy_share(earlier, later), 100);
}

TEST(BusyShare, CountersWrapAroundTheTop) {
  // Counters that pass 2^63 or 2^64 between samples still advance.
  const ProcessorTimes earlier = {kMax - 10, kMinusOne - 500, kMax};
  const ProcessorTimes later = {earlier.IdleTime + 250, earlier.KernelTime + 700,
                                earlier.UserTime + 300};
  EXPECT_EQ(busy_share(earlier, later), 75);
}

TEST(RecordReading, ReadsLittleEndianMembersAtAnyAddress) {
  unsigned char bytes[kRecordSize + 1];
  for (std::size_t i = 0; i < sizeof bytes; ++i) {
    bytes[i] = static_cast<unsigned char>(0xA0 + i);
  }
  // Offset 1 makes every member misaligned.
  const ProcessorTimes times = read_record(bytes + 1);
  EXPECT_EQ(times.IdleTime, 0xA8A7A6A5A4A3A2A1U);
  EXPECT_EQ(times.KernelTime, 0xB0AFAEADACABAAA9U);
  EXPECT_EQ(times.UserTime, 0xB8B7B6B5B4B3B2B1U);
}

// 128-bit two's-complement arithmetic built from shifts and subtractions
// only, so the reference shares no division code with what it checks.
struct Wide {
  std::uint64_t high;
  std::uint64_t low;
};

Wide sign_extend(std::uint64_t value) { return {(value >> 63) != 0 ? kMinusOne : 0, value}; }
bool negative(Wide v) { return (v.high >> 63) != 0; }
Wide negate(Wide v) {
  const std::uint64_t low = ~v.low + 1;
  return {~v.high + (low == 0 ? 1 : 0), low};
}
bool below(Wide a, Wide b) { return a.high != b.high ? a.high < b.high : a.low < b.low; }
Wide subtract(Wide a, Wide b) { return {a.high - b.high - (a.low < b.low ? 1 : 0), a.low - b.low}; }
Wide shift_left(Wide v) { return {(v.high << 1) | (v.low >> 63), v.low << 1}; }

Wide divide_truncating(Wide dividend, Wide divisor) {
  const bool flip = negative(dividend) != negative(divisor);
  const Wide n = negative(dividend) ? negate(dividend) : dividend;
  const Wide d = negative(divisor) ? negate(divisor) : divisor;
  Wide quotient = {0, 0};
  Wide remainder = {0, 0};
  for (int bit = 127; bit >= 0; --bit) {
    const std::uint64_t word = bit >= 64 ? n.high : n.low;
    remainder = shift_left(remainder);
    remainder.low |= (word >> (bit % 64)) & 1;
    quotient = shift_left(quotient);
    if (!below(remainder, d)) {
      remainder = subtract(remainder, d);
      quotient.low |= 1;
    }
  }
  return flip ? negate(quotient) : quotient;
}

std::uint8_t reference_share(const ProcessorTimes& earlier, const ProcessorTimes& later) {
  const std::uint64_t total =
      later.KernelTime + later.UserTime - earlier.KernelTime - earlier.UserTime;
  const auto empty = [](const ProcessorTimes& t) {
    return t.IdleTime == 0 && t.KernelTime == 0 && t.UserTime == 0;
  };
  if (total == 0 || empty(earlier) || empty(later)) {
    return 0;
  }
  const std::uint64_t scaled_idle = (earlier.IdleTime - later.IdleTime) * 100;
  const Wide quotient = divide_truncating(sign_extend(scaled_idle), sign_extend(total));
  return static_cast<std::uint8_t>((100 + quotient.low) % 256);
}

TEST(BusyShare, AgreesWithA128BitReferenceOverTheWholeRange) {
  // A fixed seed keeps a failure reproducible.
  std::mt19937_64 random(20261208);  // NOLINT(cert-msc32-c,cert-msc51-cpp)
  const std::uint64_t extremes[] = {0,        1,        kMinusOne, kMin,      kMax,
                                    kMin + 1, kMax - 1, 100,       twos(-100)};
  auto pick = [&]() -> std::uint64_t {
    switch (random() % 4) {
      case 0:
        return extremes[random() % (sizeof extremes / sizeof extremes[0])];
      case 1:
        return random() % 2000;  // small counters, where consistent samples live
      default:
        return random();
    }
  };
  for (int i = 0; i < 200000; ++i) {
    const ProcessorTimes earlier = {pick(), pick(), pick()};
    const ProcessorTimes later = {pick(), pick(), pick()};
    ASSERT_EQ(busy_share(earlier, later), reference_share(earlier, later))
        << "earlier " << earlier.IdleTime << ' ' << earlier.KernelTime << ' ' << earlier.UserTime
        << ", later " << later.IdleTime << ' ' << later.KernelTime << ' ' << later.UserTime;
  }
}

TEST(BusyShare, ConsistentSamplesRoundTheIdleShareDown) {
  std::mt19937_64 random(7);  // NOLINT(cert-msc32-c,cert-msc51-cpp): reproducible
  for (int i = 0; i < 100000; ++i) {
    const std::uint64_t total = 1 + random() % 50000000;
    const std::uint64_t idle = random() % (total + 1);
    const ProcessorTimes earlier = {1 + random() % 1000000, 0, 0};
    const ProcessorTimes later = {earlier.IdleTime + idle, total / 3, total - total / 3};
    ASSERT_EQ(busy_share(earlier, later), 100 - 100 * idle / total) << idle << " of " << total;
  }
}

}  // namespace
}  // namespace cpubusy
