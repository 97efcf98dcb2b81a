#include <sys/time.h>
#include <unistd.h>
#include <chrono>
#include <csignal>
#include <cstring>
#include <fstream>
#include <string>

#include <gtest/gtest.h>
#include <windows.h>
#include <winternl.h>

#include "cpu_list.h"
#include "proc_stat.h"
#include "processor_record.h"
#include "temp_file.h"

namespace cpubusy {
namespace {

using Query = NTSTATUS(NTAPI*)(SYSTEM_INFORMATION_CLASS, PVOID, ULONG, PULONG);

Query look_up(HMODULE module, LPCSTR name) {
  return reinterpret_cast<Query>(reinterpret_cast<void (*)()>(GetProcAddress(module, name)));
}

TEST(Lookup, ModuleNamesCompareWithoutCase) {
  const struct {
    const char* name;
    bool found;
  } cases[] = {
      {"ntdll.dll", true},   {"NTDLL.DLL", true}, {"NtDll.Dll", true},     {"ntdll", false},
      {"ntdll.dll ", false}, {"ntdll.dl", false}, {"kernel32.dll", false}, {"", false}};
  for (const auto& c : cases) {
    EXPECT_EQ(GetModuleHandleA(c.name) != nullptr, c.found) << '"' << c.name << '"';
  }
  EXPECT_EQ(GetModuleHandleA(nullptr), nullptr);
}

TEST(Lookup, OnlyTheExactRoutineNameInNtdllResolves) {
  const HMODULE ntdll = GetModuleHandleA("ntdll.dll");
  EXPECT_NE(look_up(ntdll, "NtQuerySystemInformation"), nullptr);
  EXPECT_EQ(look_up(ntdll, "ntquerysysteminformation"), nullptr);
  EXPECT_EQ(look_up(ntdll, "NtQuerySystemInformationEx"), nullptr);
  EXPECT_EQ(look_up(ntdll, "NtQuerySystemInformatio"), nullptr);
  EXPECT_EQ(look_up(ntdll, nullptr), nullptr);
  EXPECT_EQ(look_up(nullptr, "NtQuerySystemInformation"), nullptr);
  int other_module = 0;
  EXPECT_EQ(look_up(reinterpret_cast<HMODULE>(&other_module), "NtQuerySystemInformation"), nullptr);
}

TEST(Lookup, QueryServesOnlyProcessorPerformance) {
  const Query query = look_up(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation");
  ASSERT_NE(query, nullptr);
  unsigned char buffer[96];
  for (ULONG information_class : {0U, 7U, 9U, 0x80000008U}) {
    std::memset(buffer, 0x5A, sizeof buffer);
    ULONG returned = 1;
    EXPECT_EQ(query(static_cast<SYSTEM_INFORMATION_CLASS>(information_class), buffer, sizeof buffer,
                    &returned),
              kStatusInvalidInfoClass);
    EXPECT_EQ(returned, 0U);
    EXPECT_EQ(buffer[0], 0x5A);
  }
  if (access("/proc/stat", F_OK) != 0) {
    GTEST_SKIP() << "no /proc/stat here to serve the class from";
  }
  ULONG returned = 0;
  EXPECT_EQ(query(SystemProcessorPerformanceInformation, buffer, sizeof buffer, &returned),
            kStatusSuccess);
  EXPECT_EQ(returned % kRecordSize, 0U);
  EXPECT_GT(returned, 0U);
}

TEST(SystemInfo, CountsUpToTheHighestOnlineProcessor) {
  // Without it the count is the C library's, tested in ReadsTheKernelsCpuList.
  if (access("/sys/devices/system/cpu/online", F_OK) != 0) {
    GTEST_SKIP() << "no /sys/devices/system/cpu/online here (sysfs not mounted)";
  }
  SYSTEM_INFO info{};
  std::memset(&info, 0xFF, sizeof info);
  GetSystemInfo(&info);
  // The kernel lists processors in ascending order: the last number is the highest.
  std::ifstream online("/sys/devices/system/cpu/online");
  std::string list;
  ASSERT_TRUE(std::getline(online, list));
  EXPECT_EQ(info.dwNumberOfProcessors, std::stoul(list.substr(list.find_last_of(",-") + 1)) + 1);
}

TEST(SystemInfo, ReadsTheKernelsCpuList) {
  const auto fallback = static_cast<DWORD>(sysconf(_SC_NPROCESSORS_ONLN));
  const struct {
    const char* text;
    DWORD count;  // 0: not a list, so the C library's count
  } cases[] = {{"0-3\n", 4},       {"0,2-3\n", 4}, {"0-3,5,7-9\n", 10},
               {"5\n", 6},         {"0-2,7", 8},   {"4-4\n", 5},
               {"65535\n", 65536}, {"65536\n", 0}, {"", 0},
               {"\n", 0},          {"3-1\n", 0},   {"0-\n", 0},
               {"0,,2\n", 0},      {"0 2\n", 0},   {"-3\n", 0},
               {"x\n", 0},         {"0-3,\n", 0},  {"99999999999999999999\n", 0},
               {"5,0-3\n", 6},     {"0\n", 1}};
  for (const auto& c : cases) {
    const TempFile file(c.text);
    EXPECT_EQ(processor_count(file.path()), c.count != 0 ? c.count : fallback)
        << '"' << c.text << '"';
  }
  EXPECT_EQ(processor_count("/nonexistent/online"), fallback);
}

extern "C" void ignore_signal(int /*unused*/) {}

TEST(Sleep, SleepsTheWholeTimeThroughSignals) {
  struct sigaction action = {};
  action.sa_handler = ignore_signal;  // no SA_RESTART: the sleep is interrupted
  struct sigaction previous = {};
  ASSERT_EQ(sigaction(SIGALRM, &action, &previous), 0);
  itimerval timer = {};
  timer.it_value.tv_usec = 10000;
  timer.it_interval.tv_usec = 10000;  // several interruptions
  ASSERT_EQ(setitimer(ITIMER_REAL, &timer, nullptr), 0);

  const auto start = std::chrono::steady_clock::now();
  Sleep(120);
  const auto slept = std::chrono::steady_clock::now() - start;

  timer = {};
  setitimer(ITIMER_REAL, &timer, nullptr);
  sigaction(SIGALRM, &previous, nullptr);
  EXPECT_GE(slept, std::chrono::milliseconds(120));
}

}  // namespace
}  // namespace cpubusy
