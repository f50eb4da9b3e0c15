#include "support/packages.h"

#include <gtest/gtest.h>

#include "package_writer.h"

namespace testsupport {

void WriteTestPackage(const std::string& path, const std::string& versionRule,
                      const std::string& targets) {
  msptool::PatchSummary summary;
  summary.title = "test patch";
  summary.keywords = versionRule;
  summary.targets = targets;
  summary.patchCode = "{00000000-0000-0000-0000-000000000001}";
  std::string error;
  ASSERT_TRUE(msptool::WritePatchPackage(summary, {}, path, error)) << error;
}

}  // namespace testsupport
