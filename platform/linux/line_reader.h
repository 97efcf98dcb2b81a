// Reads a file line by line into the caller's fixed buffer, with no heap:
// one read(2) per 4 KiB, so a large file costs only what is read of it.
#ifndef CPUBUSY_PLATFORM_LINUX_LINE_READER_H
#define CPUBUSY_PLATFORM_LINUX_LINE_READER_H

#include <cstddef>

namespace cpubusy {

class LineReader {
 public:
  enum class Result { kLine, kTooLong, kEnd, kError };

  explicit LineReader(const char* path);
  ~LineReader();
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;
  LineReader(LineReader&&) = delete;
  LineReader& operator=(LineReader&&) = delete;

  // Copies the next line, without its line feed, into `line` and sets
  // `length`. A last line without a line feed counts. kTooLong: the line
  // has more than `capacity` bytes; the first `capacity` are in `line` and
  // the reader stands inside the line, so callers stop there. kError: the
  // file could not be opened or read.
  Result next(char* line, std::size_t capacity, std::size_t& length);

 private:
  static constexpr int kEndOfFile = -1;
  static constexpr int kReadError = -2;
  int next_byte();

  int fd_;
  char chunk_[4096] = {};
  std::size_t position_ = 0;
  std::size_t filled_ = 0;
};

}  // namespace cpubusy

#endif
