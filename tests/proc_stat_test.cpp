#include <unistd.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "busy_share.h"
#include "proc_stat.h"
#include "temp_file.h"

namespace cpubusy {
namespace {

constexpr unsigned char kUntouched = 0xAB;
constexpr std::uint64_t kUnit = 100000;  // 100 ns units per tick at 100 ticks a second

struct Query {
  NTSTATUS status;
  ULONG returned;
  std::vector<unsigned char> buffer;  // the given length plus a guard of 16 bytes
};

Query query(const std::string& text, ULONG length, long hz = 100) {
  TempFile file(text);
  Query q{0, 0xDEAD, std::vector<unsigned char>(length + 16, kUntouched)};
  q.status = read_processor_records(file.path(), hz, q.buffer.data(), length, &q.returned);
  return q;
}

bool untouched_from(const Query& q, std::size_t offset) {
  for (std::size_t i = offset; i < q.buffer.size(); ++i) {
    if (q.buffer[i] != kUntouched) {
      return false;
    }
  }
  return true;
}

ProcessorTimes record(const Query& q, std::size_t index) {
  return read_record(q.buffer.data() + index * kRecordSize);
}

void expect_times(const ProcessorTimes& actual, std::uint64_t idle, std::uint64_t kernel,
                  std::uint64_t user) {
  EXPECT_EQ(actual.IdleTime, idle);
  EXPECT_EQ(actual.KernelTime, kernel);
  EXPECT_EQ(actual.UserTime, user);
}

// "cpu0 1 2 3 4" padded with leading zeros to `length` bytes, line feed
// not counted.
std::string line_of_length(std::size_t length) {
  const std::string head = "cpu0 1 2 3 ";
  return head + std::string(length - head.size() - 1, '0') + "4\n";
}
// The longest line that the reader takes, whole.
const std::string kLongestLine = line_of_length(512);
const std::string kOneByteTooLong = line_of_length(513);

struct LineCase {
  const char* name;
  const char* line;  // one per-processor line, line feed included
  // In ticks: the counters as NT has them, then the DPC and interrupt times.
  std::uint64_t idle, kernel, user, dpc, interrupt;
};

class CpuLineTest : public ::testing::TestWithParam<LineCase> {};

TEST_P(CpuLineTest, MapsColumnsToTheNtCounters) {
  const LineCase c = GetParam();
  const Query q = query(std::string("cpu  9 9 9 9 9 9 9 9 9 9\n") + c.line + "intr 1 2 3\n", 48);
  ASSERT_EQ(q.status, kStatusSuccess);
  EXPECT_EQ(q.returned, 48U);
  // The platform's layout, by literal position: five counters, then the
  // interrupt count (not in /proc/stat) and padding, both zero.
  const std::uint64_t counters[] = {c.idle, c.kernel, c.user, c.dpc, c.interrupt};
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(load_le64(q.buffer.data() + 8 * i), counters[i] * kUnit) << "bytes " << 8 * i;
  }
  for (std::size_t i = 40; i < 48; ++i) {
    EXPECT_EQ(q.buffer[i], 0) << "byte " << i;
  }
  EXPECT_TRUE(untouched_from(q, 48));
}

// Columns: user nice system idle iowait irq softirq steal guest guest_nice.
INSTANTIATE_TEST_SUITE_P(
    Columns, CpuLineTest,
    ::testing::Values(
        // idle = idle + iowait; kernel = system + irq + softirq + steal + idle; user = user + nice;
        // DPC = softirq; interrupt = irq
        LineCase{"AllTen", "cpu0 1 2 4 8 16 32 64 128 256 512\n", 24, 252, 3, 64, 32},
        LineCase{"GuestIsNotCountedTwice", "cpu0 100 50 0 0 0 0 0 0 90 40\n", 0, 0, 150, 0, 0},
        LineCase{"IowaitIsIdle", "cpu0 0 0 0 10 30 0 0 0 0 0\n", 40, 40, 0, 0, 0},
        LineCase{"StealIsBusy", "cpu0 0 0 0 10 0 0 0 5 0 0\n", 10, 15, 0, 0, 0},
        LineCase{"OldKernelFourColumns", "cpu0 1 2 3 4\n", 4, 7, 3, 0, 0},
        LineCase{"SevenColumns", "cpu0 1 2 3 4 5 6 7\n", 9, 25, 3, 7, 6},
        LineCase{"LaterKernelsExtraColumns", "cpu0 1 0 0 1 0 0 0 0 0 0 77 88\n", 1, 1, 1, 0, 0},
        LineCase{"TabsAndDoubleSpaces", "cpu0\t1  2\t 3 4\n", 4, 7, 3, 0, 0},
        LineCase{"LeadingZeros", "cpu0 0001 0 0 00000000000000000000000002\n", 2, 2, 1, 0, 0},
        LineCase{"LongestLine", kLongestLine.c_str(), 4, 7, 3, 0, 0}),
    [](const ::testing::TestParamInfo<LineCase>& info) { return std::string(info.param.name); });

TEST(ProcStat, LastLineWithoutLineFeedCounts) {
  const Query q = query("cpu  2 0 0 2\ncpu0 1 0 0 1\ncpu1 5 0 0 6", 96);
  ASSERT_EQ(q.status, kStatusSuccess);
  EXPECT_EQ(q.returned, 96U);
  expect_times(record(q, 1), 6 * kUnit, 6 * kUnit, 5 * kUnit);
}

TEST(ProcStat, ConvertsTicksAtTheClockRate) {
  // 3 ticks at 300 a second is exactly 100000 units; 1 tick at 7 a second rounds down.
  const Query at300 = query("cpu0 0 0 0 3\n", 48, 300);
  ASSERT_EQ(at300.status, kStatusSuccess);
  EXPECT_EQ(record(at300, 0).IdleTime, 100000U);
  const Query at7 = query("cpu0 0 0 0 1\n", 48, 7);
  ASSERT_EQ(at7.status, kStatusSuccess);
  EXPECT_EQ(record(at7, 0).IdleTime, 10000000U / 7);
}

TEST(ProcStat, HugeCountersWrapInsteadOfOverflowing) {
  const Query q = query("cpu0 0 0 0 18446744073709551615\n", 48);
  ASSERT_EQ(q.status, kStatusSuccess);
  const std::uint64_t max = UINT64_MAX;
  const std::uint64_t expected = max / 100 * 10000000 + max % 100 * 10000000 / 100;
  EXPECT_EQ(record(q, 0).IdleTime, expected);
}

struct BadCase {
  const char* name;
  const char* text;
};

// Valid columns, but 300 of them: no kernel writes such a line.
std::string long_line() {
  std::string line = "cpu0 1 2 3 4";
  for (int i = 0; i < 300; ++i) {
    line += " 0";
  }
  return line + "\n";
}
const std::string kLongLine = long_line();

class BadStatTest : public ::testing::TestWithParam<BadCase> {};

TEST_P(BadStatTest, FailsAndWritesNothing) {
  const Query q = query(GetParam().text, 96);
  EXPECT_EQ(q.status, kStatusUnsuccessful);
  EXPECT_EQ(q.returned, 0U);
  EXPECT_TRUE(untouched_from(q, 0));
}

INSTANTIATE_TEST_SUITE_P(
    Input, BadStatTest,
    ::testing::Values(
        BadCase{"Empty", ""}, BadCase{"NoPerProcessorLines", "cpu  1 2 3 4\nintr 1\nctxt 2\n"},
        BadCase{"OnlyOtherLines", "intr 1\ncpu0 1 2 3 4\n"},
        BadCase{"ThreeColumns", "cpu0 1 2 3 4\ncpu1 1 2 3\n"},
        BadCase{"NoColumns", "cpu0 1 2 3 4\ncpu1\n"},
        BadCase{"NoColumnsAtEnd", "cpu0 1 2 3 4\ncpu1"},
        BadCase{"LetterInNumber", "cpu0 1 2 3 4\ncpu1 1 2x 3 4\n"},
        BadCase{"Negative", "cpu0 1 2 -3 4\n"}, BadCase{"CarriageReturn", "cpu0 1 2 3 4\r\n"},
        BadCase{"LetterInProcessorNumber", "cpu0 1 2 3 4\ncpu1a 1 2 3 4\n"},
        BadCase{"BeyondSixtyFourBits", "cpu0 0 0 0 18446744073709551616\n"},
        BadCase{"BadLineBeyondTheBuffer", "cpu0 1 2 3 4\ncpu1 1 2 3 4\ncpu2 1 2 3 4\ncpu3 oops\n"},
        BadCase{"RepeatedProcessor", "cpu0 1 2 3 4\ncpu1 1 2 3 4\ncpu0 1 2 3 4\n"},
        BadCase{"RepeatedBeyondTheBuffer", "cpu0 1 2 3 4\ncpu7 1 2 3 4\ncpu007 1 2 3 4\n"},
        BadCase{"ProcessorNumberTooHigh", "cpu0 1 2 3 4\ncpu65536 1 2 3 4\n"},
        BadCase{"LineLongerThanAnyReal", kLongLine.c_str()},
        BadCase{"OneByteOverTheLongest", kOneByteTooLong.c_str()},
        BadCase{"ByteAbove127", "cpu0 1 2 3 4\xff\n"}),
    [](const ::testing::TestParamInfo<BadCase>& info) { return std::string(info.param.name); });

TEST(ProcStat, MissingFileFails) {
  unsigned char buffer[48];
  std::memset(buffer, kUntouched, sizeof buffer);
  ULONG returned = 7;
  EXPECT_EQ(read_processor_records("/nonexistent/stat", 100, buffer, sizeof buffer, &returned),
            kStatusUnsuccessful);
  EXPECT_EQ(returned, 0U);
  EXPECT_EQ(buffer[0], kUntouched);
}

std::string many_processors(int count) {
  std::string text = "cpu  1 1 1 1 1 1 1 1 1 1\n";
  for (int i = 0; i < count; ++i) {
    // user i, system 2i, idle 1000 + i, padded so that lines cross read boundaries.
    char line[128];
    const int size = std::snprintf(line, sizeof line, "cpu%d %d 0 %d %d 0 0 0 0 0 0 %040d\n", i, i,
                                   2 * i, 1000 + i, 0);
    text.append(line, static_cast<std::size_t>(size));
  }
  return text + "intr " + std::string(70000, '7') + "\nctxt 1\n";
}

struct BufferCase {
  int lines;
  ULONG length;
  ULONG written;
};

class BufferTest : public ::testing::TestWithParam<BufferCase> {};

TEST_P(BufferTest, WritesWholeRecordsWithinTheLength) {
  const BufferCase c = GetParam();
  const Query q = query(many_processors(c.lines), c.length);
  ASSERT_EQ(q.status, kStatusSuccess);
  EXPECT_EQ(q.returned, c.written);
  for (std::uint64_t i = 0; i < c.written / kRecordSize; ++i) {
    if (i < static_cast<std::uint64_t>(c.lines)) {
      const std::uint64_t idle = 1000 + i;
      expect_times(record(q, i), idle * kUnit, (2 * i + idle) * kUnit, i * kUnit);
    } else {
      expect_times(record(q, i), 0, 0, 0);  // no such processor
    }
  }
  EXPECT_TRUE(untouched_from(q, c.written));
}

INSTANTIATE_TEST_SUITE_P(Lengths, BufferTest,
                         ::testing::Values(BufferCase{40, 1536, 1536}, BufferCase{3, 1536, 1536},
                                           BufferCase{3, 100, 96}, BufferCase{3, 47, 0},
                                           BufferCase{3, 0, 0}, BufferCase{200, 64 * 48, 64 * 48},
                                           BufferCase{200, 100 * 48, 64 * 48}));

struct MappingCase {
  const char* name;
  const char* text;              // each line "cpuN X 0 0 X": idle, kernel and user of X ticks
  ULONG records;                 // room in the buffer
  std::vector<std::uint64_t> x;  // X of record 0, 1, ...; 0 for an all-zero record
};

class MappingTest : public ::testing::TestWithParam<MappingCase> {};

TEST_P(MappingTest, RecordNComesFromLineCpuN) {
  const MappingCase c = GetParam();
  const Query q = query(c.text, c.records * 48);
  ASSERT_EQ(q.status, kStatusSuccess);
  ASSERT_EQ(q.returned, c.x.size() * kRecordSize);
  for (std::size_t i = 0; i < c.x.size(); ++i) {
    SCOPED_TRACE(i);
    expect_times(record(q, i), c.x[i] * kUnit, c.x[i] * kUnit, c.x[i] * kUnit);
  }
  EXPECT_TRUE(untouched_from(q, q.returned));
}

INSTANTIATE_TEST_SUITE_P(
    Numbering, MappingTest,
    ::testing::Values(
        MappingCase{"OfflineProcessorIsZero",
                    "cpu  9 9 9 9\ncpu0 10 0 0 10\ncpu2 20 0 0 20\ncpu3 30 0 0 30\nintr 1\n",
                    4,
                    {10, 0, 20, 30}},
        MappingCase{"LinesOutOfOrder",
                    "cpu3 30 0 0 30\ncpu0 10 0 0 10\ncpu2 20 0 0 20\n",
                    4,
                    {10, 0, 20, 30}},
        MappingCase{"OfflineHighestProcessor", "cpu0 10 0 0 10\ncpu1 20 0 0 20\n", 3, {10, 20, 0}},
        MappingCase{"MoreLinesThanTheBuffer",
                    "cpu3 30 0 0 30\ncpu1 20 0 0 20\ncpu2 25 0 0 25\ncpu0 10 0 0 10\n",
                    2,
                    {10, 20}},
        MappingCase{"OnlyLinesBeyondTheBuffer", "cpu5 50 0 0 50\n", 2, {0, 0}},
        MappingCase{"LastProcessorNumber", "cpu0 10 0 0 10\ncpu65535 20 0 0 20\n", 2, {10, 0}}),
    [](const ::testing::TestParamInfo<MappingCase>& info) { return std::string(info.param.name); });

TEST(ProcStat, PerProcessorLinesAfterOtherLinesAreNotRead) {
  const Query q = query("cpu0 1 0 0 1\nintr 5\ncpu1 1 0 0 1\n", 96);
  ASSERT_EQ(q.status, kStatusSuccess);
  EXPECT_EQ(q.returned, 96U);
  expect_times(record(q, 1), 0, 0, 0);
}

TEST(ProcStat, NullReturnLengthIsAllowed) {
  TempFile file("cpu0 1 0 0 1\n");
  unsigned char buffer[48];
  EXPECT_EQ(read_processor_records(file.path(), 100, buffer, sizeof buffer, nullptr),
            kStatusSuccess);
}

TEST(ProcStat, ReadsThisMachine) {
  if (access("/proc/stat", F_OK) != 0) {
    GTEST_SKIP() << "no /proc/stat here (proc not mounted)";
  }
  unsigned char buffer[kSampleBytes];
  ULONG returned = 0;
  ASSERT_EQ(
      read_processor_records("/proc/stat", sysconf(_SC_CLK_TCK), buffer, sizeof buffer, &returned),
      kStatusSuccess);
  EXPECT_EQ(returned, sizeof buffer);
  for (std::size_t i = 0; i < returned / kRecordSize; ++i) {
    const ProcessorTimes times = read_record(buffer + i * kRecordSize);
    EXPECT_GE(times.KernelTime, times.IdleTime) << "processor " << i;
  }
}

}  // namespace
}  // namespace cpubusy
