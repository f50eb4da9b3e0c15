// Process-wide settings a test changes for its own duration: the current
// directory and the file-size limit.
#pragma once

#include <sys/resource.h>

#include <csignal>
#include <string>

namespace testsupport {

// Changes into a folder and back.
class CurrentDirectory {
 public:
  explicit CurrentDirectory(const std::string& path);
  CurrentDirectory(const CurrentDirectory&) = delete;
  CurrentDirectory& operator=(const CurrentDirectory&) = delete;
  ~CurrentDirectory();

 private:
  std::string previous_;
};

// Lowers the file-size limit to `bytes` and ignores SIGXFSZ, so that a write
// past the limit fails (EFBIG) instead of ending the process. Both are put
// back afterwards.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes);
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;
  ~FileSizeLimit();

 private:
  rlimit previous_{};
  struct sigaction previousAction_ {};
};

}  // namespace testsupport
