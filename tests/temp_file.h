// A crafted kernel file (a /proc/stat, a cpu list) in a file of its own,
// removed afterwards.
#ifndef CPUBUSY_TESTS_TEMP_FILE_H
#define CPUBUSY_TESTS_TEMP_FILE_H

#include <unistd.h>
#include <cstdlib>
#include <string>

#include <gtest/gtest.h>

namespace cpubusy {

class TempFile {
 public:
  explicit TempFile(const std::string& text) {
    const char* dir = std::getenv("TMPDIR");
    path_ = std::string(dir != nullptr ? dir : "/tmp") + "/cpubusy-test-XXXXXX";
    const int fd = mkstemp(path_.data());
    EXPECT_GE(fd, 0);
    EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
  }
  ~TempFile() { unlink(path_.c_str()); }
  TempFile(const TempFile&) = delete;
  TempFile& operator=(const TempFile&) = delete;
  TempFile(TempFile&&) = delete;
  TempFile& operator=(TempFile&&) = delete;
  [[nodiscard]] const char* path() const { return path_.c_str(); }

 private:
  std::string path_;
};

}  // namespace cpubusy

#endif
