// libFuzzer target over the /proc/stat reader. An input is two bytes of
// buffer length (little-endian, taken modulo 4097), one byte of clock rate
// (0 stands for a sysconf that failed), then the text served as the file.
// It checks that nothing is written past the length or on failure, that
// the returned length is whole records within the length, and that the
// reader agrees with a plain reference, written differently below, on
// which texts to accept and on every byte of the records.
#include <sys/mman.h>
#include <unistd.h>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <vector>

#include "proc_stat.h"

namespace {

constexpr std::size_t kGuardBytes = 64;
constexpr unsigned char kFill = 0xA5;

void require(bool condition, const char* what) {
  if (!condition) {
    (void)std::fprintf(stderr, "property violated: %s\n", what);
    std::abort();
  }
}

// The reference: the file is split on line feeds into strings, and each
// number is read by strtoull once it is known to be all digits.
struct Reference {
  bool accepted = false;
  std::vector<unsigned char> records;  // room * 48 bytes
};

bool all_digits(const std::string& text) {
  return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

bool to_number(const std::string& text, std::uint64_t& value) {
  if (!all_digits(text)) {
    return false;
  }
  errno = 0;
  value = std::strtoull(text.c_str(), nullptr, 10);
  return errno != ERANGE;
}

std::vector<std::string> split(const std::string& text, const std::string& separators) {
  std::vector<std::string> pieces;
  std::string piece;
  for (const char c : text) {
    if (separators.find(c) != std::string::npos) {
      pieces.push_back(piece);
      piece.clear();
    } else {
      piece += c;
    }
  }
  pieces.push_back(piece);
  return pieces;
}

std::uint64_t units(std::uint64_t ticks, std::uint64_t hz) {
  return static_cast<std::uint64_t>(static_cast<unsigned __int128>(ticks) * 10000000U / hz);
}

Reference reference(const std::string& text, std::size_t room, std::uint64_t hz) {
  Reference result;
  result.records.assign(room * 48, 0);
  std::vector<std::string> lines = split(text, "\n");
  if (!text.empty() && text.back() == '\n') {
    lines.pop_back();  // the text after the last line feed is no line
  }
  std::set<std::uint64_t> seen;
  for (const std::string& line : lines) {
    if (line.compare(0, 3, "cpu") != 0) {
      break;
    }
    if (line.size() > 512) {
      return result;
    }
    if (line.size() == 3 || !all_digits(line.substr(3, 1))) {
      continue;
    }
    const std::size_t blank = line.find_first_of(" \t");
    std::uint64_t number = 0;
    if (!to_number(line.substr(3, blank == std::string::npos ? std::string::npos : blank - 3),
                   number) ||
        number >= 65536 || !seen.insert(number).second) {
      return result;
    }
    std::vector<std::uint64_t> columns;
    for (const std::string& piece : split(line.substr(blank + 1), " \t")) {
      std::uint64_t value = 0;
      if (piece.empty()) {
        continue;
      }
      if (!to_number(piece, value)) {
        return result;
      }
      columns.push_back(value);
    }
    if (columns.size() < 4) {
      return result;
    }
    columns.resize(std::max<std::size_t>(columns.size(), 10), 0);
    if (number < room) {
      const std::uint64_t idle = columns[3] + columns[4];
      const std::uint64_t members[5] = {idle,
                                        columns[2] + columns[5] + columns[6] + columns[7] + idle,
                                        columns[0] + columns[1], columns[6], columns[5]};
      for (int m = 0; m < 5; ++m) {
        const std::uint64_t value = units(members[m], hz);
        for (int b = 0; b < 8; ++b) {
          result.records[number * 48 + static_cast<std::size_t>(m * 8 + b)] =
              static_cast<unsigned char>(value >> (8 * b));
        }
      }
    }
  }
  result.accepted = !seen.empty();
  return result;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 3) {
    return 0;
  }
  const auto length = static_cast<ULONG>((data[0] | (data[1] << 8)) % 4097);
  const long hz = data[2];
  const std::string text(reinterpret_cast<const char*>(data + 3), size - 3);

  // The text is served from memory, through a path the reader can open.
  static const int fd = memfd_create("proc-stat", 0);
  static const std::string path = "/proc/self/fd/" + std::to_string(fd);
  require(fd >= 0 && ftruncate(fd, 0) == 0, "memfd set up");
  require(pwrite(fd, text.data(), text.size(), 0) == static_cast<ssize_t>(text.size()),
          "memfd written");

  std::vector<unsigned char> buffer(length + kGuardBytes, kFill);
  ULONG returned = 0xDEADBEEF;
  const NTSTATUS status =
      cpubusy::read_processor_records(path.c_str(), hz, buffer.data(), length, &returned);

  const std::size_t room = std::min<std::size_t>(length / 48, cpubusy::kMaxStagedRecords);
  const Reference expected = reference(text, room, hz > 0 ? static_cast<std::uint64_t>(hz) : 100);
  require((status == cpubusy::kStatusSuccess) == expected.accepted,
          "accepts exactly what the reference accepts");
  require(status == cpubusy::kStatusSuccess || status == cpubusy::kStatusUnsuccessful,
          "status is success or unsuccessful");
  require(returned % 48 == 0 && returned <= length, "returned length is whole records within");
  const std::size_t written = status == cpubusy::kStatusSuccess ? returned : 0;
  require(written == expected.records.size() || status != cpubusy::kStatusSuccess,
          "every record with room is written");
  require(returned == written, "nothing is reported written on failure");
  for (std::size_t i = 0; i < buffer.size(); ++i) {
    if (i < written) {
      require(buffer[i] == expected.records[i], "records match the reference");
    } else {
      require(buffer[i] == kFill, "nothing written past the records");
    }
  }
  return 0;
}
