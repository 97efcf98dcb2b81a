#include "cpu_list.h"

#include <unistd.h>
#include <cstddef>

#include "decimal.h"
#include "line_reader.h"

namespace cpubusy {

namespace {

// Ranges and single numbers separated by commas: "0-3,5,7-9".
bool highest_in_list(const char* text, std::size_t length, std::uint64_t& highest) {
  const char* p = text;
  const char* const end = text + length;
  highest = 0;
  for (;;) {
    std::uint64_t first = 0;
    if (!parse_decimal(p, end, first)) {
      return false;
    }
    std::uint64_t last = first;
    if (p != end && *p == '-') {
      ++p;
      if (!parse_decimal(p, end, last) || last < first) {
        return false;
      }
    }
    highest = last > highest ? last : highest;
    if (p == end) {
      return true;
    }
    if (*p++ != ',') {
      return false;
    }
  }
}

}  // namespace

DWORD processor_count(const char* path) {
  char list[4096];  // an online list this long would need hundreds of holes
  std::size_t length = 0;
  LineReader reader(path);
  std::uint64_t highest = 0;
  if (reader.next(list, sizeof list, length) == LineReader::Result::kLine &&
      highest_in_list(list, length, highest) && highest < kProcessorNumbers) {
    return static_cast<DWORD>(highest + 1);
  }
  const long online = sysconf(_SC_NPROCESSORS_ONLN);
  return online > 0 ? static_cast<DWORD>(online) : 1;
}

}  // namespace cpubusy
