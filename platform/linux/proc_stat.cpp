#include "proc_stat.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>

#include "cpu_list.h"
#include "decimal.h"
#include "line_reader.h"
#include "processor_record.h"

namespace cpubusy {

namespace {

// A real per-processor line is under 250 bytes even with 20-digit counters.
constexpr std::size_t kLineCapacity = 512;
constexpr int kColumnsKept = 10;  // user nice system idle iowait irq softirq steal guest guest_nice
constexpr int kColumnsRequired = 4;  // kernels before 2.6 stop after idle

enum Column { kUser, kNice, kSystem, kIdle, kIowait, kIrq, kSoftirq, kSteal };

// Counters of one processor in ticks, before conversion.
struct TickCounts {
  std::uint64_t idle;
  std::uint64_t kernel;
  std::uint64_t user;
  std::uint64_t dpc;
  std::uint64_t interrupt;
};

// What one query gathers before it writes anything: the counters of the
// processors that fit in the caller's buffer (zero for those without a
// line, that is, offline ones), and which numbers have had a line.
struct Staging {
  TickCounts ticks[kMaxStagedRecords];
  std::uint64_t seen[kProcessorNumbers / 64];
};

bool is_blank(char c) { return c == ' ' || c == '\t'; }

bool starts_with_cpu(const char* line, std::size_t length) {
  return length >= 3 && line[0] == 'c' && line[1] == 'p' && line[2] == 'u';
}

// "cpuN" and at least four columns of digits, separated by blanks. Columns
// after the tenth (should a later kernel add any) must be numbers too but
// are not kept.
bool parse_cpu_line(const char* line, std::size_t length, std::uint64_t& number,
                    TickCounts& ticks) {
  const char* p = line + 3;
  const char* const end = line + length;
  if (!parse_decimal(p, end, number) || number >= kProcessorNumbers) {
    return false;
  }
  std::uint64_t column[kColumnsKept] = {};
  int columns = 0;
  while (p != end) {
    if (!is_blank(*p)) {
      return false;
    }
    while (p != end && is_blank(*p)) {
      ++p;
    }
    std::uint64_t value = 0;
    if (p != end) {
      if (!parse_decimal(p, end, value)) {
        return false;
      }
      if (columns < kColumnsKept) {
        column[columns] = value;
      }
      ++columns;
    }
  }
  if (columns < kColumnsRequired) {
    return false;
  }
  const std::uint64_t idle = column[kIdle] + column[kIowait];  // waiting on I/O is idle
  // Kernel time includes idle time, as the NT counters do; guest time is
  // already inside user and nice.
  ticks = {idle, column[kSystem] + column[kIrq] + column[kSoftirq] + column[kSteal] + idle,
           column[kUser] + column[kNice], column[kSoftirq], column[kIrq]};
  return true;
}

// Reads the per-processor lines that lead /proc/stat, stopping at the
// first line that does not start with "cpu" (the long interrupt line comes
// next). False for a file that cannot be read, a malformed or repeated
// line, or no per-processor line at all.
bool stage_processors(const char* path, ULONG room, Staging& staging) {
  LineReader reader(path);
  char line[kLineCapacity];
  std::size_t length = 0;
  bool any = false;
  for (;;) {
    const LineReader::Result result = reader.next(line, sizeof line, length);
    if (result == LineReader::Result::kEnd) {
      return any;
    }
    if (result == LineReader::Result::kError) {
      return false;
    }
    if (!starts_with_cpu(line, length)) {
      return any;
    }
    if (result == LineReader::Result::kTooLong) {
      return false;
    }
    if (length == 3 || !is_digit(line[3])) {
      continue;  // the all-processor "cpu" line
    }
    std::uint64_t number = 0;
    TickCounts ticks{};
    if (!parse_cpu_line(line, length, number, ticks)) {
      return false;
    }
    std::uint64_t& word = staging.seen[number / 64];
    const std::uint64_t bit = std::uint64_t{1} << (number % 64);
    if ((word & bit) != 0) {
      return false;
    }
    word |= bit;
    if (number < room) {
      staging.ticks[number] = ticks;
    }
    any = true;
  }
}

// Ticks to 100 ns units without overflowing the intermediate product; the
// result wraps modulo 2^64 like the counters themselves.
std::uint64_t to_100ns(std::uint64_t ticks, std::uint64_t hz) {
  constexpr std::uint64_t kUnitsPerSecond = 10000000;
  return ticks / hz * kUnitsPerSecond + ticks % hz * kUnitsPerSecond / hz;
}

void write_record(unsigned char* out, const TickCounts& t, std::uint64_t hz) {
  store_le64(out + kIdleTimeOffset, to_100ns(t.idle, hz));
  store_le64(out + kKernelTimeOffset, to_100ns(t.kernel, hz));
  store_le64(out + kUserTimeOffset, to_100ns(t.user, hz));
  store_le64(out + kDpcTimeOffset, to_100ns(t.dpc, hz));
  store_le64(out + kInterruptTimeOffset, to_100ns(t.interrupt, hz));
  for (std::size_t i = kInterruptCountOffset; i < kRecordSize; ++i) {
    out[i] = 0;  // interrupt count, which /proc/stat does not give per processor, and padding
  }
}

}  // namespace

NTSTATUS read_processor_records(const char* path, long ticks_per_second, void* buffer, ULONG length,
                                ULONG* return_length) {
  if (return_length != nullptr) {
    *return_length = 0;
  }
  const ULONG fit = buffer == nullptr ? 0 : static_cast<ULONG>(length / kRecordSize);
  const ULONG room = std::min(fit, kMaxStagedRecords);
  Staging staging{};
  if (!stage_processors(path, room, staging)) {
    return kStatusUnsuccessful;
  }
  const std::uint64_t hz =
      ticks_per_second > 0 ? static_cast<std::uint64_t>(ticks_per_second) : 100;
  auto* out = static_cast<unsigned char*>(buffer);
  for (ULONG i = 0; i < room; ++i) {
    write_record(out + static_cast<std::size_t>(i) * kRecordSize, staging.ticks[i], hz);
  }
  if (return_length != nullptr) {
    *return_length = static_cast<ULONG>(room * kRecordSize);
  }
  return kStatusSuccess;
}

}  // namespace cpubusy
