// The /i mode: one "Info" box listing the target products and the versions,
// shown whatever failed before it and whatever the quiet flag says.
#include "admin/package_info.h"

#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "installer/installer_service.h"
#include "messages/result_messages.h"
#include "package/temporary_name.h"
#include "support/boxes.h"
#include "support/case_name.h"
#include "support/deep_directory.h"
#include "support/fake_service.h"
#include "support/fresh_process.h"

namespace spinstall::admin {
namespace {

using testsupport::Box;

struct LinesCase {
  const wchar_t* list;
  const wchar_t* expected;
};
void PrintTo(const LinesCase& c, std::ostream* os) { *os << testing::PrintToString(c.list); }

class TargetListLinesTest : public testing::TestWithParam<LinesCase> {};

TEST_P(TargetListLinesTest, EverySemicolonButALoneLeadingOne) {
  EXPECT_EQ(TargetListLines(GetParam().list), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(Lists, TargetListLinesTest,
                         testing::Values(LinesCase{L"A;B;C", L"A\nB\nC"},
                                         LinesCase{L";A;B", L"\nA\nB"}, LinesCase{L";A", L";A"},
                                         LinesCase{L";", L";"}, LinesCase{L"AB", L"AB"},
                                         LinesCase{L"A;", L"A\n"}, LinesCase{L"", L""},
                                         LinesCase{L";;", L"\n\n"}, LinesCase{L"A;;B", L"A\n\nB"},
                                         LinesCase{L";A;", L"\nA\n"}),
                         testsupport::CaseName());

TEST(PackageInfoText, LabelsInOrder) {
  EXPECT_EQ(PackageInfoText(L"A\nB", L"1.0,2.0,", L"3.0"),
            L"Products:\nA\nB\nTarget:\n\t1.0,2.0,\nUpgrade:\n\t3.0");
  EXPECT_EQ(PackageInfoText(L"", L"", L""), L"Products:\n\nTarget:\n\t\nUpgrade:\n\t");
}

// The carried package's target codes, one per line, as the build's package
// definition lists them.
std::string CarriedTargetLines() {
  std::ifstream in(std::string(SPINSTALL_SOURCE_DIR) + "/resources/package.def");
  std::string lines;
  for (std::string line; std::getline(in, line);) {
    if (line.rfind("target = ", 0) != 0) continue;
    lines += (lines.empty() ? "" : "\n") + line.substr(9);
  }
  return lines;
}

class ShowPackageInfoTest : public testsupport::FreshProcessTest {
 protected:
  static std::vector<Box> Show() {
    testsupport::BoxCapture capture;
    ShowPackageInfo();
    return capture.Stop();
  }
  static Box InfoBox(const std::string& text) { return Box{"Info", "warning", text}; }
};

TEST_F(ShowPackageInfoTest, CarriedPackage) {
  const std::string targets = CarriedTargetLines();
  ASSERT_EQ(std::count(targets.begin(), targets.end(), '\n'), 20);
  EXPECT_EQ(Show(), std::vector<Box>{InfoBox("Products:\n" + targets +
                                             "\nTarget:\n\t16.1.63.10,\nUpgrade:\n\t16.1.84.0")});
  // The extracted package stays.
  EXPECT_EQ(TempDirectoryEntries(), std::vector<std::string>{"MSP2"});
}

TEST_F(ShowPackageInfoTest, QuietDoesNotSilenceIt) {
  messages::Quiet() = true;
  const auto boxes = Show();
  ASSERT_EQ(boxes.size(), 1u);
  EXPECT_EQ(boxes[0].caption, "Info");
}

TEST_F(ShowPackageInfoTest, PackageThatCannotBeWritten) {
  env_.Set("TMPDIR", testsupport::MakeDeepDirectory(scratch_.path(), 300));
  EXPECT_EQ(Show(), std::vector<Box>{InfoBox("Products:\n\nTarget:\n\t\nUpgrade:\n\t")});
}

struct FailureCase {
  const wchar_t* rule;
  const wchar_t* targets;  // nullptr: unreadable
  const char* expected;
};
void PrintTo(const FailureCase& c, std::ostream* os) {
  *os << testing::PrintToString(c.rule) << " " << (c.targets ? "targets" : "unreadable");
}

class PackageInfoFailureTest : public ShowPackageInfoTest,
                               public testing::WithParamInterface<FailureCase> {};

TEST_P(PackageInfoFailureTest, ShowsWhatCouldBeRead) {
  const FailureCase& c = GetParam();
  testsupport::FakeService service;
  service.properties[summary_information::kKeywordsProperty] = c.rule;
  if (c.targets)
    service.properties[summary_information::kTemplateProperty] = c.targets;
  else
    service.propertyFailures[summary_information::kTemplateProperty] = 1610;
  testsupport::ServiceGuard guard(service);
  EXPECT_EQ(Show(), std::vector<Box>{InfoBox(c.expected)});
}

INSTANTIATE_TEST_SUITE_P(
    Packages, PackageInfoFailureTest,
    testing::Values(
        FailureCase{L"16.1.84.0;16.1.63.10,", L"A;B;C",
                    "Products:\nA\nB\nC\nTarget:\n\t16.1.63.10,\nUpgrade:\n\t16.1.84.0"},
        // A version rule without ';' after its first character.
        FailureCase{L"16.1.84.0", L"A;B;C", "Products:\nA\nB\nC\nTarget:\n\t\nUpgrade:\n\t"},
        FailureCase{L";16.1.63.10,", L";A", "Products:\n;A\nTarget:\n\t\nUpgrade:\n\t"},
        // The first ';' splits the rule; later ones stay in the candidates.
        FailureCase{L"2.0;1.0,;x", L"A", "Products:\nA\nTarget:\n\t1.0,;x\nUpgrade:\n\t2.0"},
        FailureCase{L"16.1.84.0;16.1.63.10,", nullptr,
                    "Products:\n\nTarget:\n\t16.1.63.10,\nUpgrade:\n\t16.1.84.0"}),
    testsupport::CaseName());

TEST_F(ShowPackageInfoTest, EachRunLeavesItsOwnPackage) {
  Show();
  Show();
  EXPECT_EQ(TempDirectoryEntries(), (std::vector<std::string>{"MSP2", "MSP3"}));
  // A new process starts counting again and skips the names taken.
  package::ResetTemporaryNameCounter();
  Show();
  EXPECT_EQ(TempDirectoryEntries(), (std::vector<std::string>{"MSP2", "MSP3", "MSP4"}));
}

}  // namespace
}  // namespace spinstall::admin
