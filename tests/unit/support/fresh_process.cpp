#include "support/fresh_process.h"

#include <algorithm>
#include <filesystem>

#include "support/process_state.h"

namespace testsupport {

void FreshProcessTest::SetUp() {
  env_.Unset("LC_ALL");
  env_.Unset("LC_MESSAGES");
  env_.Set("LANG", "C");
  env_.Unset("TMP");
  env_.Unset("SPINSTALL_ANSWER");  // nobody answers a question box: No
  env_.Set("TMPDIR", tmp_.path());
  ResetProcessState();
}

void FreshProcessTest::TearDown() { ResetProcessState(); }

std::vector<std::string> FreshProcessTest::TempDirectoryEntries() const {
  auto names = DirectoryEntries(tmp_.path());
  std::erase_if(names, [](const std::string& name) { return name.starts_with("spinstall-"); });
  return names;
}

std::vector<std::string> DirectoryEntries(const std::string& path) {
  std::vector<std::string> names;
  std::error_code ignored;
  for (const auto& entry : std::filesystem::directory_iterator(path, ignored))
    names.push_back(entry.path().filename().string());
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace testsupport
