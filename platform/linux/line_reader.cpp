#include "line_reader.h"

#include <fcntl.h>
#include <unistd.h>
#include <cerrno>

namespace cpubusy {

LineReader::LineReader(const char* path) : fd_(open(path, O_RDONLY | O_CLOEXEC)) {}

LineReader::~LineReader() {
  if (fd_ >= 0) {
    close(fd_);
  }
}

int LineReader::next_byte() {
  if (position_ == filled_) {
    if (fd_ < 0) {
      return kReadError;
    }
    ssize_t got = 0;
    do {
      got = read(fd_, chunk_, sizeof chunk_);
    } while (got < 0 && errno == EINTR);
    if (got <= 0) {
      return got == 0 ? kEndOfFile : kReadError;
    }
    position_ = 0;
    filled_ = static_cast<std::size_t>(got);
  }
  return static_cast<unsigned char>(chunk_[position_++]);
}

LineReader::Result LineReader::next(char* line, std::size_t capacity, std::size_t& length) {
  length = 0;
  for (;;) {
    const int c = next_byte();
    if (c == kReadError) {
      return Result::kError;
    }
    if (c == kEndOfFile) {
      return length == 0 ? Result::kEnd : Result::kLine;
    }
    if (c == '\n') {
      return Result::kLine;
    }
    if (length == capacity) {
      return Result::kTooLong;
    }
    line[length++] = static_cast<char>(c);
  }
}

}  // namespace cpubusy
