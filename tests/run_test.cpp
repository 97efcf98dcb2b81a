#include <algorithm>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <windows.h>
#include <winternl.h>

#include "busy_share.h"
#include "processor_record.h"
#include "run.h"

namespace cpubusy {
namespace {

// What the fake platform does and what the run asked of it.
struct Fake {
  bool has_query = true;
  DWORD processors = 2;
  // Records the fake query writes on its first and second call.
  std::vector<ProcessorTimes> first;
  std::vector<ProcessorTimes> second;
  bool write_first = true;
  bool write_second = true;
  // What each query returns; a failure status writes nothing.
  LONG first_status = 0;
  LONG second_status = 0;

  std::vector<std::string> events;
  std::string output;
  std::vector<ULONG> lengths;
  std::vector<const void*> buffers;
  bool buffers_were_zero = true;
};

Fake fake;
int module_marker;

void store(unsigned char* record, const ProcessorTimes& times) {
  store_le64(record + kIdleTimeOffset, times.IdleTime);
  store_le64(record + kKernelTimeOffset, times.KernelTime);
  store_le64(record + kUserTimeOffset, times.UserTime);
}

LONG WINAPI fake_query(SYSTEM_INFORMATION_CLASS information_class, PVOID buffer, ULONG length,
                       PULONG returned) {
  const bool is_first = fake.lengths.empty();
  fake.events.push_back("query " + std::to_string(information_class));
  fake.lengths.push_back(length);
  fake.buffers.push_back(buffer);
  auto* bytes = static_cast<unsigned char*>(buffer);
  for (ULONG i = 0; i < length && i < kSampleBytes; ++i) {
    fake.buffers_were_zero = fake.buffers_were_zero && bytes[i] == 0;
  }
  const std::vector<ProcessorTimes>& records = is_first ? fake.first : fake.second;
  const LONG status = is_first ? fake.first_status : fake.second_status;
  if (status < 0 || !(is_first ? fake.write_first : fake.write_second)) {
    return status;
  }
  ULONG written = 0;
  for (std::size_t i = 0; i < records.size() && (i + 1) * kRecordSize <= length; ++i) {
    store(bytes + i * kRecordSize, records[i]);
    written += static_cast<ULONG>(kRecordSize);
  }
  *returned = written;
  return status;
}

HMODULE WINAPI fake_get_module_handle(LPCSTR name) {
  fake.events.push_back(std::string("module ") + name);
  return reinterpret_cast<HMODULE>(&module_marker);
}

FARPROC WINAPI fake_get_proc_address(HMODULE module, LPCSTR name) {
  fake.events.push_back(
      std::string("proc ") + name +
      (module == reinterpret_cast<HMODULE>(&module_marker) ? "" : " (bad handle)"));
  if (!fake.has_query) {
    return nullptr;
  }
  return reinterpret_cast<FARPROC>(reinterpret_cast<void (*)()>(&fake_query));
}

void WINAPI fake_get_system_info(LPSYSTEM_INFO info) {
  fake.events.emplace_back("system info");
  std::memset(info, 0xEE, sizeof *info);  // only the count may be relied on
  info->dwNumberOfProcessors = fake.processors;
}

void WINAPI fake_sleep(DWORD milliseconds) {
  fake.events.push_back("sleep " + std::to_string(milliseconds));
}

// Variadic, as printf is.
int fake_print(const char* format, ...) {  // NOLINT(cert-dcl50-cpp)
  char text[256];
  va_list args;
  va_start(args, format);
  // NOLINTNEXTLINE(clang-analyzer-valist.Uninitialized): started just above
  const int size = std::vsnprintf(text, sizeof text, format, args);
  va_end(args);
  fake.events.emplace_back("print");
  // The size is what the whole text would take; only what fits is in `text`.
  const std::size_t kept = size < 0 ? 0 : std::min(static_cast<std::size_t>(size), sizeof text - 1);
  fake.output.append(text, kept);
  return size;
}

const Platform kFakePlatform = {fake_get_module_handle, fake_get_proc_address, fake_get_system_info,
                                fake_sleep, fake_print};

class RunTest : public ::testing::Test {
 protected:
  void SetUp() override { fake = Fake(); }
};

TEST_F(RunTest, MissingQueryRoutinePrintsOnlyTheMessage) {
  fake.has_query = false;
  EXPECT_EQ(run_usage_sampling(kFakePlatform), -1);
  EXPECT_EQ(fake.output, "\n*** no ntquerysysteminformation api?.. bugger");
  const std::vector<std::string> expected = {"module ntdll.dll", "proc NtQuerySystemInformation",
                                             "print"};
  EXPECT_EQ(fake.events, expected);
}

TEST_F(RunTest, TwoProcessorReportIsExact) {
  fake.first = {{1000, 5000, 2000}, {40, 100, 60}};
  fake.second = {{1093, 5060, 2040}, {40, 900, 260}};  // 93 of 100 idle; never idle
  EXPECT_EQ(run_usage_sampling(kFakePlatform), 0);
  EXPECT_EQ(fake.output, "\n[i] Processor Count: 2\n\n[i] CPU 00: = 7%\n[i] CPU 01: = 100%");
  // The count line comes before the first sample, the report after the second.
  const std::vector<std::string> expected = {"module ntdll.dll",
                                             "proc NtQuerySystemInformation",
                                             "system info",
                                             "print",
                                             "query 8",
                                             "sleep 500",
                                             "query 8",
                                             "print",
                                             "print"};
  EXPECT_EQ(fake.events, expected);
  ASSERT_EQ(fake.buffers.size(), 2U);
  EXPECT_NE(fake.buffers[0], fake.buffers[1]);
  EXPECT_TRUE(fake.buffers_were_zero);
}

struct CountCase {
  DWORD processors;
  ULONG query_length;
  const char* last_line;  // null when no CPU line is expected
};

class ProcessorCountTest : public RunTest, public ::testing::WithParamInterface<CountCase> {};

TEST_P(ProcessorCountTest, ReportsTheFirstThirtyTwoAndNeverOverrunsTheBuffers) {
  const CountCase c = GetParam();
  fake.processors = c.processors;
  for (DWORD i = 0; i < c.processors; ++i) {
    // Processor i is idle for i of every 100 units.
    fake.first.push_back({0, 0, 0});
    fake.second.push_back({i, 100, 0});
  }
  EXPECT_EQ(run_usage_sampling(kFakePlatform), 0);

  std::string expected = "\n[i] Processor Count: " + std::to_string(c.processors) + "\n";
  const DWORD reported =
      c.processors < kMaxSampledProcessors ? c.processors : kMaxSampledProcessors;
  for (DWORD i = 0; i < reported; ++i) {
    char line[64];
    ASSERT_GT(
        std::snprintf(line, sizeof line, "\n[i] CPU %s%u: = %u%%", i < 10 ? "0" : "", i, 100 - i),
        0);
    expected += line;
  }
  EXPECT_EQ(fake.output, expected);
  if (c.last_line != nullptr) {
    const std::string tail(c.last_line);
    ASSERT_GE(fake.output.size(), tail.size());
    EXPECT_EQ(fake.output.substr(fake.output.size() - tail.size()), tail);
  }
  const std::vector<ULONG> lengths = {c.query_length, c.query_length};
  EXPECT_EQ(fake.lengths, lengths);
  EXPECT_EQ(std::count(fake.events.begin(), fake.events.end(), "sleep 500"), 1);
}

INSTANTIATE_TEST_SUITE_P(Counts, ProcessorCountTest,
                         ::testing::Values(CountCase{0, 0, nullptr},
                                           CountCase{1, 48, "\n[i] CPU 00: = 100%"},
                                           CountCase{12, 576, "\n[i] CPU 11: = 89%"},
                                           CountCase{32, 1536, "\n[i] CPU 31: = 69%"},
                                           CountCase{33, 1536, "\n[i] CPU 31: = 69%"},
                                           CountCase{1000, 1536, "\n[i] CPU 31: = 69%"}));

TEST_F(RunTest, QueriesThatWriteNothingLeaveZeroCounters) {
  fake.processors = 1;
  fake.first = {{9999, 9999, 9999}};
  fake.second = {{250, 1000, 0}};

  fake.write_first = false;  // share over the later counters' whole history
  EXPECT_EQ(run_usage_sampling(kFakePlatform), 0);
  EXPECT_EQ(fake.output, "\n[i] Processor Count: 1\n\n[i] CPU 00: = 75%");

  const Fake setup = fake;
  fake = Fake();
  fake.processors = 1;
  fake.first = setup.second;
  fake.write_second = false;  // the earlier counters' history, from the other side
  EXPECT_EQ(run_usage_sampling(kFakePlatform), 0);
  EXPECT_EQ(fake.output, "\n[i] Processor Count: 1\n\n[i] CPU 00: = 75%");

  fake = Fake();
  fake.processors = 2;
  fake.write_first = false;
  fake.write_second = false;  // nothing moved: no division, 0
  EXPECT_EQ(run_usage_sampling(kFakePlatform), 0);
  EXPECT_EQ(fake.output, "\n[i] Processor Count: 2\n\n[i] CPU 00: = 0%\n[i] CPU 01: = 0%");
}

struct StatusCase {
  const char* name;
  DWORD processors;
  std::uint32_t first_status, second_status;
  std::int32_t exit_status;
  const char* output;
  std::vector<std::string> events;  // after the count line's print
};

class QueryStatusTest : public RunTest, public ::testing::WithParamInterface<StatusCase> {};

TEST_P(QueryStatusTest, AFailedQueryEndsTheRunWithItsStatus) {
  const StatusCase c = GetParam();
  fake.processors = c.processors;
  fake.first_status = static_cast<LONG>(c.first_status);
  fake.second_status = static_cast<LONG>(c.second_status);
  fake.first = {{0, 0, 0}, {0, 0, 0}};
  fake.second = {{50, 100, 0}, {0, 100, 0}};
  EXPECT_EQ(run_usage_sampling(kFakePlatform), c.exit_status);
  EXPECT_EQ(fake.output, c.output);
  std::vector<std::string> expected = {"module ntdll.dll", "proc NtQuerySystemInformation",
                                       "system info", "print"};
  expected.insert(expected.end(), c.events.begin(), c.events.end());
  EXPECT_EQ(fake.events, expected);
}

INSTANTIATE_TEST_SUITE_P(
    Statuses, QueryStatusTest,
    ::testing::Values(
        StatusCase{"FirstFailsBeforeThePause",
                   2,
                   0xC0000001U,
                   0,
                   -1,
                   "\n[i] Processor Count: 2\n\n*** ntquerysysteminformation failed: 0xC0000001",
                   {"query 8", "print"}},
        StatusCase{"SecondFailsBeforeAnyCpuLine",
                   2,
                   0,
                   0xC0000004U,
                   -1,
                   "\n[i] Processor Count: 2\n\n*** ntquerysysteminformation failed: 0xC0000004",
                   {"query 8", "sleep 500", "query 8", "print"}},
        // Warnings have the top bit set too: NT_SUCCESS is false for them.
        StatusCase{"WarningIsAFailure",
                   1,
                   0x80000005U,
                   0,
                   -1,
                   "\n[i] Processor Count: 1\n\n*** ntquerysysteminformation failed: 0x80000005",
                   {"query 8", "print"}},
        StatusCase{"InformationalIsASuccess",
                   2,
                   0x40000000U,
                   0x00000103U,
                   0,
                   "\n[i] Processor Count: 2\n\n[i] CPU 00: = 50%\n[i] CPU 01: = 100%",
                   {"query 8", "sleep 500", "query 8", "print", "print"}},
        // No record asked for: the status is not judged.
        StatusCase{"NoProcessorsIgnoresFailures",
                   0,
                   0xC0000004U,
                   0xC0000004U,
                   0,
                   "\n[i] Processor Count: 0\n",
                   {"query 8", "sleep 500", "query 8"}}),
    [](const ::testing::TestParamInfo<StatusCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace cpubusy
