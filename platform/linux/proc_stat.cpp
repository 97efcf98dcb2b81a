#include "proc_stat.h"

#include <fcntl.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <iterator>

namespace cpubusy {

namespace {

constexpr ULONG kRecordBytes = 48;
constexpr int kFieldsKept = 10;  // user nice system idle iowait irq softirq steal guest guest_nice
constexpr int kFieldsRequired = 4;  // kernels before 2.6 stop after idle

enum Field { kUser, kNice, kSystem, kIdle, kIowait, kIrq, kSoftirq, kSteal };

// Counters of one processor in ticks, before conversion.
struct TickCounts {
  std::uint64_t idle;
  std::uint64_t kernel;
  std::uint64_t user;
  std::uint64_t dpc;
  std::uint64_t interrupt;
};

enum class State { Tag, CpuNumber, Fields, SkipLine, Done, Failed };

// A byte-at-a-time scanner, so that the file can be read in chunks of any
// size and lines of any length (the interrupt line runs to tens of KiB).
// The per-processor lines lead the file; the first line that does not
// start with "cpu" ends the scan, and the rest of the file is never read.
struct Scanner {
  State state = State::Tag;
  int tag_matched = 0;
  std::uint64_t fields[kFieldsKept] = {};
  int field_count = 0;
  bool in_number = false;
  ULONG lines = 0;
  ULONG wanted = 0;
  TickCounts staged[kMaxStagedRecords] = {};
};

bool is_digit(char c) { return c >= '0' && c <= '9'; }
bool is_blank(char c) { return c == ' ' || c == '\t'; }

void end_number(Scanner& s) {
  if (s.in_number) {
    s.in_number = false;
    ++s.field_count;
  }
}

void end_cpu_line(Scanner& s) {
  end_number(s);
  if (s.field_count < kFieldsRequired) {
    s.state = State::Failed;
    return;
  }
  if (s.lines < s.wanted) {
    const std::uint64_t* f = s.fields;
    const std::uint64_t idle = f[kIdle] + f[kIowait];  // waiting on I/O is idle
    // The kernel time includes idle time, as the NT counters do.
    s.staged[s.lines] = {idle, f[kSystem] + f[kIrq] + f[kSoftirq] + f[kSteal] + idle,
                         f[kUser] + f[kNice], f[kSoftirq], f[kIrq]};
  }
  ++s.lines;
  s.state = State::Tag;
  s.tag_matched = 0;
}

void begin_fields(Scanner& s) {
  std::fill(std::begin(s.fields), std::end(s.fields), 0);
  s.field_count = 0;
  s.in_number = false;
  s.state = State::Fields;
}

void add_digit(Scanner& s, char c) {
  s.in_number = true;
  if (s.field_count >= kFieldsKept) {
    return;  // columns of newer kernels: checked for digits, not kept
  }
  const auto digit = static_cast<std::uint64_t>(c - '0');
  std::uint64_t& value = s.fields[s.field_count];
  if (value > (UINT64_MAX - digit) / 10) {
    s.state = State::Failed;
    return;
  }
  value = value * 10 + digit;
}

void scan_byte(Scanner& s, char c) {
  static constexpr char kTag[] = "cpu";
  switch (s.state) {
    case State::Tag:
      if (s.tag_matched < 3) {
        if (c == kTag[s.tag_matched]) {
          ++s.tag_matched;
        } else {
          s.state = State::Done;
        }
      } else if (is_digit(c)) {
        s.state = State::CpuNumber;
      } else {
        s.state = c == '\n' ? State::Tag : State::SkipLine;  // the all-processor "cpu" line
        s.tag_matched = 0;
      }
      break;
    case State::CpuNumber:
      if (is_blank(c)) {
        begin_fields(s);
      } else if (!is_digit(c)) {
        s.state = State::Failed;
      }
      break;
    case State::Fields:
      if (is_digit(c)) {
        add_digit(s, c);
      } else if (is_blank(c)) {
        end_number(s);
      } else if (c == '\n') {
        end_cpu_line(s);
      } else {
        s.state = State::Failed;
      }
      break;
    case State::SkipLine:
      if (c == '\n') {
        s.state = State::Tag;
      }
      break;
    case State::Done:
    case State::Failed:
      break;
  }
}

bool scan_finished(const Scanner& s) { return s.state == State::Done || s.state == State::Failed; }

// A last line without its line feed still counts.
void scan_end(Scanner& s) {
  if (s.state == State::Fields) {
    end_cpu_line(s);
  } else if (s.state == State::CpuNumber) {
    s.state = State::Failed;
  }
}

bool scan_file(const char* path, Scanner& s) {
  const int fd = open(path, O_RDONLY | O_CLOEXEC);
  if (fd < 0) {
    return false;
  }
  char chunk[4096];
  bool ok = true;
  while (!scan_finished(s)) {
    const ssize_t got = read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) {
      continue;
    }
    if (got <= 0) {
      ok = got == 0;
      break;
    }
    for (ssize_t i = 0; i < got && !scan_finished(s); ++i) {
      scan_byte(s, chunk[i]);
    }
  }
  close(fd);
  return ok;
}

// Ticks to 100 ns units without overflowing the intermediate product; the
// result wraps modulo 2^64 like the counters themselves.
std::uint64_t to_100ns(std::uint64_t ticks, std::uint64_t hz) {
  constexpr std::uint64_t kUnitsPerSecond = 10000000;
  return ticks / hz * kUnitsPerSecond + ticks % hz * kUnitsPerSecond / hz;
}

void store_le64(unsigned char* out, std::uint64_t value) {
  for (int i = 0; i < 8; ++i) {
    out[i] = static_cast<unsigned char>(value >> (8 * i));
  }
}

void write_record(unsigned char* out, const TickCounts& t, std::uint64_t hz) {
  store_le64(out, to_100ns(t.idle, hz));
  store_le64(out + 8, to_100ns(t.kernel, hz));
  store_le64(out + 16, to_100ns(t.user, hz));
  store_le64(out + 24, to_100ns(t.dpc, hz));
  store_le64(out + 32, to_100ns(t.interrupt, hz));
  for (ULONG i = 40; i < kRecordBytes; ++i) {
    out[i] = 0;  // interrupt count, which /proc/stat does not give per processor, and padding
  }
}

}  // namespace

NTSTATUS read_processor_records(const char* path, long ticks_per_second, void* buffer, ULONG length,
                                ULONG* return_length) {
  if (return_length != nullptr) {
    *return_length = 0;
  }
  Scanner scanner;
  const ULONG room = buffer == nullptr ? 0 : length / kRecordBytes;
  scanner.wanted = room < kMaxStagedRecords ? room : kMaxStagedRecords;
  if (!scan_file(path, scanner)) {
    return kStatusUnsuccessful;
  }
  scan_end(scanner);
  if (scanner.state == State::Failed || scanner.lines == 0) {
    return kStatusUnsuccessful;
  }
  const std::uint64_t hz =
      ticks_per_second > 0 ? static_cast<std::uint64_t>(ticks_per_second) : 100;
  const ULONG records = scanner.lines < scanner.wanted ? scanner.lines : scanner.wanted;
  auto* out = static_cast<unsigned char*>(buffer);
  for (ULONG i = 0; i < records; ++i) {
    write_record(out + static_cast<std::size_t>(i) * kRecordBytes, scanner.staged[i], hz);
  }
  if (return_length != nullptr) {
    *return_length = records * kRecordBytes;
  }
  return kStatusSuccess;
}

}  // namespace cpubusy
