// A small tmpfs of the test's own, to run out of space or to be read-only for
// real (root ignores permission bits, so a read-only folder needs a read-only
// file system). Needs the right to mount; Mounted() says whether it worked.
#pragma once

#include <string>

#include "support/temp_dir.h"

namespace testsupport {

class SmallFilesystem {
 public:
  SmallFilesystem(std::size_t bytes, bool readOnly);
  SmallFilesystem(const SmallFilesystem&) = delete;
  SmallFilesystem& operator=(const SmallFilesystem&) = delete;
  ~SmallFilesystem();

  bool Mounted() const { return mounted_; }
  const std::string& path() const { return dir_.path(); }
  // Fills every byte left with one file, so the next write fails.
  void Fill();

 private:
  TempDir dir_;
  bool mounted_ = false;
};

}  // namespace testsupport
