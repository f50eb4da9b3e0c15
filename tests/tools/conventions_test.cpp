// The conventions every carried package and descriptor must follow: each
// broken value is refused with a message that names it.
#include "checks/conventions.h"

#include <gtest/gtest.h>

namespace msptool {
namespace {

using namespace std::string_literals;

const std::string kA = "{91AED5A8-1F61-48F5-A289-B3368F6B332F}";
const std::string kB = "{32C7D65E-997D-42F2-B613-61BBEF5C51CC}";

struct Row {
  const char* name;
  std::string value;
  std::string named;  // what the message must quote; empty: the value passes
};

// The message a check refuses its arguments with; "" when it passes them.
template <typename... Args, typename... Given>
std::string Problem(bool (*check)(Args...), Given&&... given) {
  std::string error;
  return check(std::forward<Given>(given)..., error) ? "" : error;
}

std::string Named(const Row& row) { return row.named.empty() ? "" : "\"" + row.named + "\""; }

class TargetListTest : public testing::TestWithParam<Row> {};

TEST_P(TargetListTest, RefusesWhatBreaksTheConvention) {
  const Row& row = GetParam();
  const std::string problem = Problem(CheckTargetList, row.value);
  if (row.named.empty()) {
    EXPECT_EQ(problem, "");
  } else {
    EXPECT_NE(problem.find(Named(row)), std::string::npos) << problem;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Property7, TargetListTest,
    testing::Values(Row{"one_code", kA, ""}, Row{"two_codes", kA + ";" + kB, ""},
                    Row{"trailing_semicolon", kA + ";", kA + ";"},
                    Row{"empty_element", kA + ";;" + kB, kA + ";;" + kB},
                    Row{"leading_semicolon", ";" + kA, ";" + kA},
                    Row{"blank_after_separator", kA + "; " + kB, " " + kB},
                    Row{"blank_inside", "{91AED5A8-1F61-48F5-A289-B3368F6B332 }",
                        "{91AED5A8-1F61-48F5-A289-B3368F6B332 }"},
                    Row{"code_of_37_characters", kA + ";{32C7D65E-997D-42F2-B613-61BBEF5C51C}",
                        "{32C7D65E-997D-42F2-B613-61BBEF5C51C}"},
                    Row{"code_of_39_characters", "{91AED5A8-1F61-48F5-A289-B3368F6B332FF}",
                        "{91AED5A8-1F61-48F5-A289-B3368F6B332FF}"},
                    Row{"lower_case_hex", "{91aed5a8-1F61-48F5-A289-B3368F6B332F}",
                        "{91aed5a8-1F61-48F5-A289-B3368F6B332F}"},
                    Row{"no_braces", "91AED5A8-1F61-48F5-A289-B3368F6B332F00",
                        "91AED5A8-1F61-48F5-A289-B3368F6B332F00"},
                    Row{"dash_misplaced", "{91AED5A81-F61-48F5-A289-B3368F6B332F}",
                        "{91AED5A81-F61-48F5-A289-B3368F6B332F}"},
                    Row{"comma_separated", kA + "," + kB, kA + "," + kB},
                    Row{"code_listed_twice", kA + ";" + kB + ";" + kA, kA},
                    Row{"code_listed_twice_in_a_row", kB + ";" + kB, kB}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TargetListTest, EmptyListIsRefused) { EXPECT_NE(Problem(CheckTargetList, ""), ""); }

TEST(TargetListTest, EmptyElementIsCountedInTheMessage) {
  EXPECT_NE(Problem(CheckTargetList, kA + ";;" + kB).find("element 2"), std::string::npos);
}

TEST(TargetListTest, WrongLengthIsCountedInTheMessage) {
  const std::string problem = Problem(CheckTargetList, "{32C7D65E-997D-42F2-B613-61BBEF5C51C}");
  EXPECT_NE(problem.find("37 characters"), std::string::npos) << problem;
}

class VersionRuleTest : public testing::TestWithParam<Row> {};

TEST_P(VersionRuleTest, RefusesWhatBreaksTheConvention) {
  const Row& row = GetParam();
  std::vector<std::string> warnings;
  const std::string problem = Problem(CheckVersionRule, row.value, warnings);
  if (row.named.empty()) {
    EXPECT_EQ(problem, "");
  } else {
    EXPECT_NE(problem.find(Named(row)), std::string::npos) << problem;
  }
}

INSTANTIATE_TEST_SUITE_P(
    Property5, VersionRuleTest,
    testing::Values(
        Row{"one_candidate", "16.1.84.0;16.1.63.10,", ""},
        Row{"two_candidates", "16.1.84.0;16.1.63.10,16.1.70.2,", ""},
        Row{"largest_fields", "65535.65535.65535.65535;0.0.0.0,", ""},
        Row{"candidate_without_comma", "16.1.84.0;16.1.63.10", "16.1.63.10"},
        Row{"second_candidate_without_comma", "16.1.84.0;16.1.63.10,16.1.70.2", "16.1.70.2"},
        Row{"no_semicolon", "16.1.84.0", "16.1.84.0"},
        Row{"semicolon_first", ";16.1.63.10,", ";16.1.63.10,"},
        Row{"no_candidate", "16.1.84.0;", "16.1.84.0;"}, Row{"three_fields", "1.0.1;1.0.0,", ""},
        Row{"one_and_two_fields", "2;1.9,", ""},
        Row{"mixed_field_counts", "16.1.84.0;16.1.63,16.1,", ""},
        Row{"five_field_candidate", "16.1.84.0;16.1.63.10.1,", "16.1.63.10.1"},
        Row{"field_over_65535", "16.1.84.0;16.1.65536.0,", "16.1.65536.0"},
        Row{"empty_field", "16.1.84.0;16..63.10,", "16..63.10"},
        Row{"blank_candidate", "16.1.84.0; 16.1.63.10,", " 16.1.63.10"},
        Row{"second_semicolon_in_candidates", "16.1.84.0;16.1.63.10;1,", "16.1.63.10;1"},
        Row{"five_field_upgrade", "16.1.84.0.0;16.1.63.10,", "16.1.84.0.0"},
        Row{"upgrade_field_over_65535", "1.65536;1.0,", "1.65536"},
        Row{"upgrade_ends_with_dot", "1.0.;1.0,", "1.0."},
        Row{"letter_in_field", "16.1.84.0;16.1.6a,", "16.1.6a"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(VersionRuleTest, EmptyRuleAndEmptyCandidateAreRefused) {
  std::vector<std::string> warnings;
  EXPECT_NE(Problem(CheckVersionRule, "", warnings), "");
  EXPECT_NE(Problem(CheckVersionRule, "16.1.84.0;16.1.63.10,,", warnings), "");
}

TEST(VersionRuleTest, CandidateEqualToTheUpgradeVersionIsAWarning) {
  std::vector<std::string> warnings;
  EXPECT_EQ(Problem(CheckVersionRule, "16.1.84.0;16.1.63.10,16.1.84.0,", warnings), "");
  ASSERT_EQ(warnings.size(), 1u);
  EXPECT_NE(warnings[0].find("\"16.1.84.0\""), std::string::npos);
  warnings.clear();
  EXPECT_EQ(Problem(CheckVersionRule, "16.1.84.0;16.1.63.10,", warnings), "");
  EXPECT_TRUE(warnings.empty());
}

TEST(VersionRuleTest, CandidateTextIsEverythingAfterTheFirstSemicolon) {
  EXPECT_EQ(CandidateText("16.1.84.0;16.1.63.10,"), "16.1.63.10,");
  EXPECT_EQ(CandidateText("a;b;c"), "b;c");
  EXPECT_EQ(CandidateText("16.1.84.0"), "");
}

TEST(PatchPropertiesTest, PatchCodeMustBeginWithARegistryFormGuid) {
  EXPECT_EQ(Problem(CheckPatchCode, kA), "");
  EXPECT_EQ(Problem(CheckPatchCode, kA + kB), "");  // the codes of obsoleted patches may follow
  EXPECT_NE(Problem(CheckPatchCode, "{91AED5A8-1F61-48F5-A289-B3368F6B332}").find("\"{91AED5A8"),
            std::string::npos);
  EXPECT_NE(Problem(CheckPatchCode, ""), "");
}

TEST(PatchPropertiesTest, TransformListNeedsColonNames) {
  EXPECT_EQ(Problem(CheckTransformList, ":Version1"), "");
  EXPECT_EQ(Problem(CheckTransformList, ":Version1;:Files"), "");
  for (const std::string bad : {"", "Version1", ":Version1;", ":", ":A;;:B"})
    EXPECT_NE(Problem(CheckTransformList, bad), "") << bad;
}

// A descriptor as the build makes it for package `package`.
std::string Descriptor(const std::string& productCode = kA,
                       const std::string& candidates = "16.1.63.10,",
                       const std::string& patchGuid = kB, const std::string& size = "30208") {
  return "ProductCode=" + productCode + "\r\nProductVersionCandidate=" + candidates +
         "\r\nPatchTitle=Quillmark 16.1 Service Pack 1\r\nPatchGUID=" + patchGuid +
         "\r\nPatchFileLocation=\\\\server\\share\\sp1.exe\r\nPatchSize=" + size +
         "\r\nPatchDesc=Updates Quillmark\r\nPatchDescLocation=\\\\server\\share\\readme.htm\r\n";
}

const DescribedPackage kPackage{30208, kA + ";" + kB, "16.1.63.10,", kB};

struct DescriptorRow {
  const char* name;
  std::string bytes;
  std::string mentions;  // a piece of the expected message; empty: accepted
};

class DescriptorTest : public testing::TestWithParam<DescriptorRow> {};

TEST_P(DescriptorTest, ChecksFormAndAgreementWithThePackage) {
  const auto& row = GetParam();
  const std::string problem = Problem(CheckDescriptor, row.bytes, kPackage);
  if (row.mentions.empty()) {
    EXPECT_EQ(problem, "");
  } else {
    EXPECT_NE(problem.find(row.mentions), std::string::npos) << problem;
  }
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
  text.replace(text.find(from), from.size(), to);
  return text;
}

INSTANTIATE_TEST_SUITE_P(
    Descriptors, DescriptorTest,
    testing::Values(
        DescriptorRow{"as_built", Descriptor(), ""},
        DescriptorRow{"second_target", Descriptor(kB), ""},
        DescriptorRow{"eight_bit_text", Replaced(Descriptor(), "Updates", "\xC4nderungen\tf\xFCr"),
                      ""},
        DescriptorRow{"zero_byte", Replaced(Descriptor(), "Updates", "Up\0dates"s),
                      "control byte 0"},
        DescriptorRow{"escape_byte", Replaced(Descriptor(), "Updates", "Up\x1B"),
                      "control byte 27"},
        DescriptorRow{"last_line_without_cr_lf", Descriptor().substr(0, Descriptor().size() - 2),
                      "line 8 does not end with CR LF"},
        DescriptorRow{"last_line_with_lf_only",
                      Descriptor().substr(0, Descriptor().size() - 2) + "\n",
                      "line 8 does not end with CR LF"},
        DescriptorRow{"line_with_lf_only", Replaced(Descriptor(), "\r\nPatchTitle", "\nPatchTitle"),
                      "line 2 does not end with CR LF"},
        DescriptorRow{"bare_cr_inside", Replaced(Descriptor(), "Updates", "Up\rdates"),
                      "line 7 does not end with CR LF"},
        DescriptorRow{"empty", "", "empty"},
        DescriptorRow{"ninth_line", Descriptor() + "Extra=1\r\n", "9 lines"},
        DescriptorRow{"keys_swapped",
                      Replaced(Replaced(Descriptor(), "PatchDesc=", "PatchDescX="),
                               "PatchDescLocation=", "PatchDesc="),
                      "should start with \"PatchDesc=\""},
        DescriptorRow{"lower_case_key", Replaced(Descriptor(), "PatchSize", "patchsize"),
                      "\"PatchSize=\""},
        DescriptorRow{"product_not_a_target", Descriptor("{00000000-0000-0000-0000-000000000000}"),
                      "\"{00000000-0000-0000-0000-000000000000}\" is not one of the package's"},
        DescriptorRow{"candidates_differ", Descriptor(kA, "16.1.63.10"),
                      "ProductVersionCandidate \"16.1.63.10\""},
        DescriptorRow{"patch_guid_differs", Descriptor(kA, "16.1.63.10,", kA),
                      "PatchGUID \"" + kA + "\""},
        DescriptorRow{"size_differs", Descriptor(kA, "16.1.63.10,", kB, "30207"),
                      "PatchSize \"30207\" differs from the package's length 30208"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
}  // namespace msptool
