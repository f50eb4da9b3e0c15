// Another process that holds a file open with a write lock on all of it, as a
// second writer of a patch list would.
#pragma once

#include <sys/types.h>

#include <string>

namespace testsupport {

class ForeignWriteLock {
 public:
  // Returns once the other process holds the lock (creating the file if
  // needed); held() says whether it got it.
  explicit ForeignWriteLock(const std::string& path);
  ForeignWriteLock(const ForeignWriteLock&) = delete;
  ForeignWriteLock& operator=(const ForeignWriteLock&) = delete;
  // Lets the other process go and waits for it.
  ~ForeignWriteLock();

  bool held() const { return held_; }

 private:
  pid_t child_ = -1;
  int release_ = -1;  // closing it ends the other process
  bool held_ = false;
};

}  // namespace testsupport
