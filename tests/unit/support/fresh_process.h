// A test that starts from a fresh process's state in known surroundings: the
// user's language is English ("C"), "TMP" and SPINSTALL_ANSWER are unset and
// TMPDIR names an empty folder of the test's own. Everything is put back afterwards.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "support/env_guard.h"
#include "support/temp_dir.h"

namespace testsupport {

class FreshProcessTest : public testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The folder TMPDIR names, without a trailing '/'.
  const std::string& TempDirectory() const { return tmp_.path(); }
  // The names of the files in it, sorted, but for the run logs (spinstall-*)
  // that every program run leaves there.
  std::vector<std::string> TempDirectoryEntries() const;

  EnvGuard env_;
  TempDir scratch_;  // for the test's own files

 private:
  TempDir tmp_;
};

// The names in a folder, sorted.
std::vector<std::string> DirectoryEntries(const std::string& path);

}  // namespace testsupport
