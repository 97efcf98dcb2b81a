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

// One processor group's count and the records that the fake query writes
// for it on its first and second call.
struct Group {
  DWORD processors;
  std::vector<ProcessorTimes> first;
  std::vector<ProcessorTimes> second;
};

// What the fake platform does and what the run asked of it.
struct Fake {
  bool has_query = true;
  DWORD processors = 2;
  // Records the fake query writes on its first and second call.
  std::vector<ProcessorTimes> first;
  std::vector<ProcessorTimes> second;
  // Groups besides the one above, group 0. While the thread is not kept
  // on a group, it starts on group 1 and moves to the next group at every
  // GetSystemInfo and query, as on Windows 11 with more than 64 processors.
  std::vector<Group> other_groups;
  bool kernel32_loaded = true;
  bool group_routines = false;
  BOOL get_affinity_result = 1;
  BOOL set_affinity_result = 1;
  int group = 0;
  bool kept = false;
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
int kernel32_marker;
int thread_marker;

void store(unsigned char* record, const ProcessorTimes& times) {
  store_le64(record + kIdleTimeOffset, times.IdleTime);
  store_le64(record + kKernelTimeOffset, times.KernelTime);
  store_le64(record + kUserTimeOffset, times.UserTime);
}

// The group that the thread runs on now, after the move that each call
// brings unless it is kept on one.
Group group_data(int group) {
  return group == 0 ? Group{fake.processors, fake.first, fake.second}
                    : fake.other_groups[static_cast<std::size_t>(group - 1)];
}

Group current_group() {
  const int groups = 1 + static_cast<int>(fake.other_groups.size());
  if (!fake.kept && groups > 1) {
    fake.group = (fake.group + 1) % groups;
  }
  return group_data(fake.group);
}

LONG WINAPI fake_query(SYSTEM_INFORMATION_CLASS information_class, PVOID buffer, ULONG length,
                       PULONG returned) {
  const bool is_first = fake.lengths.empty();
  const Group current = current_group();
  fake.events.push_back("query " + std::to_string(information_class));
  fake.lengths.push_back(length);
  fake.buffers.push_back(buffer);
  auto* bytes = static_cast<unsigned char*>(buffer);
  for (ULONG i = 0; i < length && i < kSampleBytes; ++i) {
    fake.buffers_were_zero = fake.buffers_were_zero && bytes[i] == 0;
  }
  const std::vector<ProcessorTimes>& records = is_first ? current.first : current.second;
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

std::string describe(const GROUP_AFFINITY& affinity) {
  return "group " + std::to_string(affinity.Group) + " mask " + std::to_string(affinity.Mask);
}

BOOL WINAPI fake_get_thread_group_affinity(HANDLE thread, PGROUP_AFFINITY affinity) {
  fake.events.emplace_back(std::string("get affinity") +
                           (thread == &thread_marker ? "" : " (bad thread)"));
  std::memset(affinity, 0xEE, sizeof *affinity);
  if (fake.get_affinity_result != 0) {
    *affinity = GROUP_AFFINITY{};
    affinity->Group = static_cast<WORD>(fake.group);
    affinity->Mask =
        (KAFFINITY{1} << group_data(fake.group).processors) - 1;  // all of its processors
  }
  return fake.get_affinity_result;
}

BOOL WINAPI fake_set_thread_group_affinity(HANDLE thread, const GROUP_AFFINITY* affinity,
                                           PGROUP_AFFINITY previous) {
  fake.events.push_back("set affinity " + describe(*affinity) +
                        (thread == &thread_marker ? "" : " (bad thread)") +
                        (previous == nullptr ? "" : " (previous asked for)"));
  if (fake.set_affinity_result != 0) {
    fake.group = affinity->Group;
    fake.kept = true;
  }
  return fake.set_affinity_result;
}

HMODULE WINAPI fake_get_module_handle(LPCSTR name) {
  fake.events.push_back(std::string("module ") + name);
  if (std::strcmp(name, "kernel32.dll") == 0) {
    return fake.kernel32_loaded ? reinterpret_cast<HMODULE>(&kernel32_marker) : nullptr;
  }
  return reinterpret_cast<HMODULE>(&module_marker);
}

FARPROC WINAPI fake_get_proc_address(HMODULE module, LPCSTR name) {
  const bool in_ntdll = std::strcmp(name, "NtQuerySystemInformation") == 0;
  int* expected = in_ntdll ? &module_marker : &kernel32_marker;
  fake.events.push_back(std::string("proc ") + name +
                        (module == reinterpret_cast<HMODULE>(expected) ? "" : " (bad handle)"));
  void (*routine)() = nullptr;
  if (in_ntdll && fake.has_query) {
    routine = reinterpret_cast<void (*)()>(&fake_query);
  } else if (fake.group_routines && std::strcmp(name, "GetThreadGroupAffinity") == 0) {
    routine = reinterpret_cast<void (*)()>(&fake_get_thread_group_affinity);
  } else if (fake.group_routines && std::strcmp(name, "SetThreadGroupAffinity") == 0) {
    routine = reinterpret_cast<void (*)()>(&fake_set_thread_group_affinity);
  }
  return reinterpret_cast<FARPROC>(routine);
}

HANDLE WINAPI fake_get_current_thread() {
  fake.events.emplace_back("current thread");
  return &thread_marker;
}

void WINAPI fake_get_system_info(LPSYSTEM_INFO info) {
  fake.events.emplace_back("system info");
  std::memset(info, 0xEE, sizeof *info);  // only the count may be relied on
  info->dwNumberOfProcessors = current_group().processors;
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

const Platform kFakePlatform = {fake_get_module_handle,
                                fake_get_proc_address,
                                fake_get_current_thread,
                                fake_get_system_info,
                                fake_sleep,
                                fake_print};

// A kernel32.dll without the group routines, as before Windows 7.
const std::vector<std::string> kLookups = {"module ntdll.dll", "proc NtQuerySystemInformation",
                                           "module kernel32.dll", "proc GetThreadGroupAffinity",
                                           "proc SetThreadGroupAffinity"};

std::vector<std::string> after_lookups(const std::vector<std::string>& events) {
  std::vector<std::string> all = kLookups;
  all.insert(all.end(), events.begin(), events.end());
  return all;
}

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
  EXPECT_EQ(fake.events, after_lookups({"system info", "print", "query 8", "sleep 500", "query 8",
                                        "print", "print"}));
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
    fake.first.push_back({1000, 1000, 0});
    fake.second.push_back({1000 + i, 1100, 0});
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

  fake.write_first = false;  // not the later counters' whole history (75%)
  EXPECT_EQ(run_usage_sampling(kFakePlatform), 0);
  EXPECT_EQ(fake.output, "\n[i] Processor Count: 1\n\n[i] CPU 00: = 0%");

  const Fake setup = fake;
  fake = Fake();
  fake.processors = 1;
  fake.first = setup.second;
  fake.write_second = false;  // nor the earlier counters' history
  EXPECT_EQ(run_usage_sampling(kFakePlatform), 0);
  EXPECT_EQ(fake.output, "\n[i] Processor Count: 1\n\n[i] CPU 00: = 0%");

  fake = Fake();
  fake.processors = 2;
  fake.write_first = false;
  fake.write_second = false;  // nothing moved: no division, 0
  EXPECT_EQ(run_usage_sampling(kFakePlatform), 0);
  EXPECT_EQ(fake.output, "\n[i] Processor Count: 2\n\n[i] CPU 00: = 0%\n[i] CPU 01: = 0%");
}

// A processor that goes offline or comes online between the readings has
// all-zero counters in one of them (the Linux layer writes them so), and
// reads 0, not its share since boot (69% or 68% for these counters).
struct HotplugCase {
  const char* name;
  const char* first;   // per processor: 1 where the first reading has it
  const char* second;  // and where the second has it
  const char* output;
};

class HotplugTest : public RunTest, public ::testing::WithParamInterface<HotplugCase> {};

TEST_P(HotplugTest, AProcessorInOneReadingOnlyReadsZero) {
  const HotplugCase c = GetParam();
  fake.processors = 4;
  for (std::size_t i = 0; i < 4; ++i) {  // 50% busy where it has both readings
    fake.first.push_back(c.first[i] == '1' ? ProcessorTimes{310, 700, 300} : ProcessorTimes{});
    fake.second.push_back(c.second[i] == '1' ? ProcessorTimes{360, 760, 340} : ProcessorTimes{});
  }
  EXPECT_EQ(run_usage_sampling(kFakePlatform), 0);
  EXPECT_EQ(fake.output, std::string("\n[i] Processor Count: 4\n") + c.output);
}

INSTANTIATE_TEST_SUITE_P(
    Hotplug, HotplugTest,
    ::testing::Values(
        HotplugCase{"GoesOffline", "1111", "1101",
                    "\n[i] CPU 00: = 50%\n[i] CPU 01: = 50%\n[i] CPU 02: = 0%\n[i] CPU 03: = 50%"},
        HotplugCase{"ComesOnline", "1101", "1111",
                    "\n[i] CPU 00: = 50%\n[i] CPU 01: = 50%\n[i] CPU 02: = 0%\n[i] CPU 03: = 50%"},
        HotplugCase{"LastGoesOffline", "1111", "1110",
                    "\n[i] CPU 00: = 50%\n[i] CPU 01: = 50%\n[i] CPU 02: = 50%\n[i] CPU 03: = 0%"},
        HotplugCase{"OneComesAnotherGoes", "1011", "1101",
                    "\n[i] CPU 00: = 50%\n[i] CPU 01: = 0%\n[i] CPU 02: = 0%\n[i] CPU 03: = 50%"},
        HotplugCase{"OfflineInBoth", "1101", "1101",
                    "\n[i] CPU 00: = 50%\n[i] CPU 01: = 50%\n[i] CPU 02: = 0%\n[i] CPU 03: = 50%"}),
    [](const ::testing::TestParamInfo<HotplugCase>& info) { return std::string(info.param.name); });

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
  fake.first = {{100, 100, 0}, {100, 100, 0}};
  fake.second = {{150, 200, 0}, {100, 200, 0}};
  EXPECT_EQ(run_usage_sampling(kFakePlatform), c.exit_status);
  EXPECT_EQ(fake.output, c.output);
  std::vector<std::string> expected = {"system info", "print"};
  expected.insert(expected.end(), c.events.begin(), c.events.end());
  EXPECT_EQ(fake.events, after_lookups(expected));
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

struct GroupCase {
  const char* name;
  bool kernel32_loaded;
  bool group_routines;
  BOOL get_result, set_result;
  bool other_groups;  // the machine has groups 1 and 2 besides group 0
  const char* output;
  std::vector<std::string> events;  // between the lookups and GetSystemInfo
};

class GroupTest : public RunTest, public ::testing::WithParamInterface<GroupCase> {};

TEST_P(GroupTest, CountAndBothSamplesComeFromOneGroup) {
  const GroupCase c = GetParam();
  fake.kernel32_loaded = c.kernel32_loaded;
  fake.group_routines = c.group_routines;
  fake.get_affinity_result = c.get_result;
  fake.set_affinity_result = c.set_result;
  fake.first = {{1000, 5000, 2000}, {40, 100, 60}};
  fake.second = {{1093, 5060, 2040}, {40, 900, 260}};  // 7% and 100%
  if (c.other_groups) {
    fake.group = 1;  // the thread's own group
    fake.other_groups = {
        {3, {{0, 100, 0}, {0, 100, 0}, {0, 100, 0}}, {{50, 200, 0}, {10, 200, 0}, {90, 200, 0}}},
        {1, {{0, 0, 0}}, {{900, 900, 100}}}};
  }
  EXPECT_EQ(run_usage_sampling(kFakePlatform), 0);
  EXPECT_EQ(fake.output, c.output);
  std::vector<std::string> expected = {"module ntdll.dll", "proc NtQuerySystemInformation",
                                       "module kernel32.dll"};
  if (c.kernel32_loaded) {
    expected.insert(expected.end(), {"proc GetThreadGroupAffinity", "proc SetThreadGroupAffinity"});
  }
  expected.insert(expected.end(), c.events.begin(), c.events.end());
  expected.insert(expected.end(), {"system info", "print", "query 8", "sleep 500", "query 8"});
  expected.resize(expected.size() + (c.other_groups ? 3 : 2), "print");
  EXPECT_EQ(fake.events, expected);
}

const char* const kGroupZeroReport =
    "\n[i] Processor Count: 2\n\n[i] CPU 00: = 7%\n[i] CPU 01: = 100%";

INSTANTIATE_TEST_SUITE_P(
    Groups, GroupTest,
    ::testing::Values(GroupCase{"KeptOnItsOwnGroup",
                                true,
                                true,
                                1,
                                1,
                                true,
                                "\n[i] Processor Count: 3\n\n[i] CPU 00: = 50%\n[i] CPU 01: = 90%\n"
                                "[i] CPU 02: = 10%",
                                {"current thread", "get affinity", "set affinity group 1 mask 7"}},
                      GroupCase{"OneGroupKept",
                                true,
                                true,
                                1,
                                1,
                                false,
                                kGroupZeroReport,
                                {"current thread", "get affinity", "set affinity group 0 mask 3"}},
                      // Before Windows 7, and on Linux, the run goes on as it always has.
                      GroupCase{"NoGroupRoutines", true, false, 1, 1, false, kGroupZeroReport, {}},
                      GroupCase{
                          "NoKernel32Module", false, false, 1, 1, false, kGroupZeroReport, {}},
                      // A failed call leaves the thread where it was.
                      GroupCase{"GetFails",
                                true,
                                true,
                                0,
                                1,
                                false,
                                kGroupZeroReport,
                                {"current thread", "get affinity"}},
                      GroupCase{"SetFails",
                                true,
                                true,
                                1,
                                0,
                                false,
                                kGroupZeroReport,
                                {"current thread", "get affinity", "set affinity group 0 mask 3"}}),
    [](const ::testing::TestParamInfo<GroupCase>& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace cpubusy
