#include "support/packages.h"

#include <gtest/gtest.h>

#include "support/program_run.h"

namespace testsupport {

void WriteTestPackage(const std::string& path, const std::string& versionRule,
                      const std::string& targets) {
  const ProgramRun run =
      RunProgram(SPINSTALL_TEST_PACKAGE_WRITER, {path, versionRule, targets}, {}, ".");
  ASSERT_EQ(run.exitStatus, 0) << run.standardError;
}

}  // namespace testsupport
