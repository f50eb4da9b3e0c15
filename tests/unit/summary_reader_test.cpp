#include "package/summary_reader.h"

#include <sys/stat.h>

#include <gtest/gtest.h>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "installer/installer_service.h"
#include "platform/error_codes.h"
#include "platform/host/utf8.h"
#include "platform/last_error.h"
#include "support/case_name.h"
#include "support/fake_service.h"
#include "support/packages.h"
#include "support/process_state.h"
#include "support/temp_dir.h"

namespace spinstall::package {
namespace {

using platform::host::Narrow;
using platform::host::Widen;
using testsupport::FakeService;
using testsupport::ServiceGuard;
using testsupport::TempDir;
using testsupport::WriteTestPackage;

const std::wstring kUntouched = L"untouched";

// The platform's own service with a count of what went through it: the
// handles it opened and closed and the buffer size of every property read.
class CountingService : public installer::Service {
 public:
  int openCalls = 0;  // every open asked for
  int opens = 0;      // the successful ones
  int closes = 0;
  std::vector<std::uint32_t> propertyBufferSizes;

  std::uint32_t GetSummaryInformation(installer::Handle database, const std::wstring& path,
                                      std::uint32_t updateCount,
                                      installer::Handle& summary) override {
    ++openCalls;
    const auto result = real_.GetSummaryInformation(database, path, updateCount, summary);
    if (result == 0) ++opens;
    return result;
  }
  std::uint32_t SummaryInfoGetProperty(installer::Handle summary, std::uint32_t property,
                                       std::uint32_t& dataType, std::int32_t& integer,
                                       installer::FileTime& fileTime, wchar_t* buffer,
                                       std::uint32_t& count) override {
    propertyBufferSizes.push_back(count);
    return real_.SummaryInfoGetProperty(summary, property, dataType, integer, fileTime, buffer,
                                        count);
  }
  std::uint32_t CloseHandle(installer::Handle handle) override {
    const auto result = real_.CloseHandle(handle);
    if (result == 0) ++closes;
    return result;
  }
  std::int32_t QueryProductState(const std::wstring& productCode) override {
    return real_.QueryProductState(productCode);
  }
  std::uint32_t GetProductInfo(const std::wstring& productCode, const std::wstring& property,
                               wchar_t* buffer, std::uint32_t& count) override {
    return real_.GetProductInfo(productCode, property, buffer, count);
  }
  std::uint32_t ConfigureProductEx(const std::wstring& productCode, int installLevel,
                                   std::int32_t installState,
                                   const std::wstring& commandLine) override {
    return real_.ConfigureProductEx(productCode, installLevel, installState, commandLine);
  }
  std::uint32_t EnableLog(std::uint32_t logMode, const std::wstring& path,
                          std::uint32_t attributes) override {
    return real_.EnableLog(logMode, path, attributes);
  }
  std::uint32_t SetInternalUI(std::uint32_t level) override { return real_.SetInternalUI(level); }

 private:
  installer::Service& real_ = installer::PlatformService();
};

class SummaryReaderTest : public testing::Test {
 protected:
  void SetUp() override { testsupport::ResetProcessState(); }
  void TearDown() override { testsupport::ResetProcessState(); }

  // A package in the test's folder with the given version rule and targets.
  std::wstring Package(const std::string& versionRule, const std::string& targets = "{A}") {
    const std::string path = dir_ / ("p" + std::to_string(++written_) + ".msp");
    WriteTestPackage(path, versionRule, targets);
    return Widen(path);
  }

  TempDir dir_;
  int written_ = 0;
};

// A text of `length` characters that shows any lost, doubled or shifted part.
std::string Varied(std::size_t length) {
  std::string text;
  for (std::size_t i = 0; text.size() < length; ++i) text += std::to_string(i) + ".";
  text.resize(length);
  return text;
}

TEST_F(SummaryReaderTest, ReadsTheCarriedPackage) {
  CountingService counting;
  ServiceGuard guard(counting);
  const std::wstring path = Widen(SPINSTALL_CARRIED_PACKAGE);

  std::wstring upgrade, candidates, targets;
  ASSERT_TRUE(ReadVersionRule(path, upgrade, candidates));
  ASSERT_TRUE(ReadTargetList(path, targets));
  EXPECT_EQ(upgrade, L"16.1.84.0");
  EXPECT_EQ(candidates, L"16.1.63.10,");

  // 21 codes in registry form, one ';' between them and none after the last.
  EXPECT_EQ(targets.size(), 818u);
  std::wistringstream codes(targets);
  std::wstring code;
  int count = 0;
  while (std::getline(codes, code, L';')) {
    ++count;
    EXPECT_EQ(code.size(), 38u) << Narrow(code);
    EXPECT_EQ(code.front(), L'{');
    EXPECT_EQ(code.back(), L'}');
  }
  EXPECT_EQ(count, 21);
  EXPECT_NE(targets.back(), L';');

  // Each read opened the package anew and closed it again.
  EXPECT_EQ(counting.opens, 2);
  EXPECT_EQ(counting.closes, 2);
}

struct RuleCase {
  const char* rule;
  const wchar_t* upgrade;
  const wchar_t* candidates;
};
void PrintTo(const RuleCase& c, std::ostream* os) { *os << testing::PrintToString(c.rule); }

class VersionRuleSplitTest : public SummaryReaderTest,
                             public testing::WithParamInterface<RuleCase> {};

TEST_P(VersionRuleSplitTest, SplitsAtTheFirstSemicolon) {
  const RuleCase& c = GetParam();
  const std::wstring path = Package(c.rule);
  std::wstring upgrade = kUntouched, candidates = kUntouched;
  ASSERT_TRUE(ReadVersionRule(path, upgrade, candidates));
  EXPECT_EQ(upgrade, c.upgrade);
  EXPECT_EQ(candidates, c.candidates);
}

INSTANTIATE_TEST_SUITE_P(
    Rules, VersionRuleSplitTest,
    testing::Values(RuleCase{"16.1.84.0;16.1.63.10,", L"16.1.84.0", L"16.1.63.10,"},
                    RuleCase{"16.1.84.0;", L"16.1.84.0", L""}, RuleCase{"a;b;c", L"a", L"b;c"},
                    RuleCase{"a;;", L"a", L";"},
                    // Text after the last ',' is kept: judging it is the driver's work.
                    RuleCase{"16.1.84.0;16.1.63.10,16.1.70.0", L"16.1.84.0",
                             L"16.1.63.10,16.1.70.0"},
                    RuleCase{" x ; y ", L" x ", L" y "}),
    testsupport::CaseName());

class RejectedVersionRuleTest : public SummaryReaderTest,
                                public testing::WithParamInterface<const char*> {};

TEST_P(RejectedVersionRuleTest, FailsWith4316AndLeavesTheResults) {
  CountingService counting;
  ServiceGuard guard(counting);
  const std::wstring path = Package(GetParam());
  platform::SetLastError(0);
  std::wstring upgrade = kUntouched, candidates = kUntouched;
  EXPECT_FALSE(ReadVersionRule(path, upgrade, candidates));
  EXPECT_EQ(platform::LastError(), platform::kErrorBadVersionRule);
  EXPECT_EQ(upgrade, kUntouched);
  EXPECT_EQ(candidates, kUntouched);
  EXPECT_EQ(counting.propertyBufferSizes.size(), 1u);
  EXPECT_EQ(counting.opens, 1);
  EXPECT_EQ(counting.closes, 1);
}

INSTANTIATE_TEST_SUITE_P(Rules, RejectedVersionRuleTest,
                         testing::Values("16.1.84.0", ";16.1.63.10,", "", ";", ";a;b"),
                         testsupport::CaseName());

struct LengthCase {
  std::size_t length;
  std::vector<std::uint32_t> bufferSizes;  // one per property read, in order
};
void PrintTo(const LengthCase& c, std::ostream* os) { *os << c.length << " characters"; }

class LongValueTest : public SummaryReaderTest, public testing::WithParamInterface<LengthCase> {};

// Up to 2047 characters fit the first buffer; a longer value takes one more
// read with exactly its length plus the terminator, and arrives whole.
TEST_P(LongValueTest, VersionRuleArrivesWhole) {
  const LengthCase& c = GetParam();
  const std::string rule = "16.1.84.0;" + Varied(c.length - 10);
  ASSERT_EQ(rule.size(), c.length);
  const std::wstring path = Package(rule);
  CountingService counting;
  ServiceGuard guard(counting);

  std::wstring upgrade, candidates;
  ASSERT_TRUE(ReadVersionRule(path, upgrade, candidates));
  EXPECT_EQ(upgrade, L"16.1.84.0");
  EXPECT_EQ(Narrow(candidates), rule.substr(10));
  EXPECT_EQ(counting.propertyBufferSizes, c.bufferSizes);
  EXPECT_EQ(counting.closes, counting.opens);
}

TEST_P(LongValueTest, TargetListArrivesWhole) {
  const LengthCase& c = GetParam();
  const std::string targets = Varied(c.length);
  const std::wstring path = Package("1;2,", targets);
  CountingService counting;
  ServiceGuard guard(counting);

  std::wstring read;
  ASSERT_TRUE(ReadTargetList(path, read));
  EXPECT_EQ(Narrow(read), targets);
  EXPECT_EQ(counting.propertyBufferSizes, c.bufferSizes);
  EXPECT_EQ(counting.closes, counting.opens);
}

INSTANTIATE_TEST_SUITE_P(Lengths, LongValueTest,
                         testing::Values(LengthCase{2047, {2048}}, LengthCase{2048, {2048, 2049}},
                                         LengthCase{2049, {2048, 2050}},
                                         LengthCase{5000, {2048, 5001}}),
                         testsupport::CaseName());

TEST_F(SummaryReaderTest, TargetListArrivesUnchanged) {
  const std::string targets = " {abc-def} ;;{B};";
  std::wstring read = kUntouched;
  ASSERT_TRUE(ReadTargetList(Package("1;2,", targets), read));
  EXPECT_EQ(Narrow(read), targets);
}

// Paths that name no package: the open fails, no property is read and the
// results keep their contents.
class NoPackageTest : public SummaryReaderTest, public testing::WithParamInterface<const char*> {};

TEST_P(NoPackageTest, FailsWithoutReadingAProperty) {
  const std::string path = dir_ / GetParam();
  testsupport::WriteFileBytes(dir_ / "text.msp", "[{A}]\nState=5\n");
  testsupport::WriteFileBytes(dir_ / "empty.msp", "");
  ::mkdir((dir_ / "folder.msp").c_str(), 0755);
  CountingService counting;
  ServiceGuard guard(counting);

  EXPECT_EQ(OpenPackageSummary(Widen(path)), 0u);
  std::wstring targets = kUntouched, upgrade = kUntouched, candidates = kUntouched;
  EXPECT_FALSE(ReadTargetList(Widen(path), targets));
  EXPECT_FALSE(ReadVersionRule(Widen(path), upgrade, candidates));
  EXPECT_EQ(targets, kUntouched);
  EXPECT_EQ(upgrade, kUntouched);
  EXPECT_EQ(candidates, kUntouched);
  EXPECT_EQ(counting.openCalls, 3);
  EXPECT_EQ(counting.opens, 0);
  EXPECT_TRUE(counting.propertyBufferSizes.empty());
  EXPECT_EQ(counting.closes, 0);
}

INSTANTIATE_TEST_SUITE_P(Paths, NoPackageTest,
                         testing::Values("missing.msp", "text.msp", "empty.msp", "folder.msp"),
                         testsupport::CaseName());

// Restores the current directory when the test ends.
class CurrentDirectoryGuard {
 public:
  explicit CurrentDirectoryGuard(const std::string& dir) : saved_(std::filesystem::current_path()) {
    std::filesystem::current_path(dir);
  }
  CurrentDirectoryGuard(const CurrentDirectoryGuard&) = delete;
  CurrentDirectoryGuard& operator=(const CurrentDirectoryGuard&) = delete;
  ~CurrentDirectoryGuard() { std::filesystem::current_path(saved_); }

 private:
  std::filesystem::path saved_;
};

TEST_F(SummaryReaderTest, RelativePathIsResolvedAgainstTheCurrentDirectory) {
  WriteTestPackage(dir_ / "rel.msp", "16.1.84.0;16.1.63.10,", "{A}");
  ::mkdir((dir_ / "sub").c_str(), 0755);
  CurrentDirectoryGuard cwd(dir_.path());
  const std::wstring expected = Widen(std::filesystem::current_path().string() + "/rel.msp");

  for (const wchar_t* relative : {L"rel.msp", L"./rel.msp", L"sub/../rel.msp"}) {
    FakeService fake;
    fake.properties[summary_information::kKeywordsProperty] = L"1;2,";
    ServiceGuard guard(fake);
    std::wstring upgrade, candidates;
    EXPECT_TRUE(ReadVersionRule(relative, upgrade, candidates)) << Narrow(relative);
    EXPECT_EQ(fake.openedPaths, std::vector<std::wstring>{expected}) << Narrow(relative);
  }
  // And the real service opens the package by the resolved path.
  std::wstring targets;
  EXPECT_TRUE(ReadTargetList(L"sub/../rel.msp", targets));
  EXPECT_EQ(targets, L"{A}");
}

// A file path of exactly `length` characters under `base`, through folders
// made for it (a single name may not exceed 255 bytes).
std::string PathOfLength(const std::string& base, std::size_t length) {
  std::string path = base;
  while (length - path.size() - 1 > 150) {
    path += "/" + std::string(100, 'd');
    ::mkdir(path.c_str(), 0755);
  }
  return path + "/" + std::string(length - path.size() - 1, 'f');
}

TEST_F(SummaryReaderTest, FullPathOf259CharactersOpens) {
  const std::string path = PathOfLength(std::filesystem::canonical(dir_.path()).string(), 259);
  ASSERT_EQ(path.size(), 259u);
  WriteTestPackage(path, "16.1.84.0;16.1.63.10,", "{A}");
  ASSERT_TRUE(testsupport::PathExists(path));

  CountingService counting;
  ServiceGuard guard(counting);
  std::wstring upgrade, candidates;
  EXPECT_TRUE(ReadVersionRule(Widen(path), upgrade, candidates));
  EXPECT_EQ(upgrade, L"16.1.84.0");
  EXPECT_EQ(counting.opens, 1);
  EXPECT_EQ(counting.closes, 1);
}

TEST_F(SummaryReaderTest, LongerFullPathFailsWithoutAskingTheService) {
  const std::string base = std::filesystem::canonical(dir_.path()).string();
  for (std::size_t length : {260u, 261u, 400u}) {
    const std::string path = PathOfLength(base, length);
    ASSERT_EQ(path.size(), length);
    // A real package, so that only the length can make the open fail.
    WriteTestPackage(path, "16.1.84.0;16.1.63.10,", "{A}");
    ASSERT_TRUE(testsupport::PathExists(path));

    CountingService counting;
    ServiceGuard guard(counting);
    std::wstring targets = kUntouched;
    EXPECT_EQ(OpenPackageSummary(Widen(path)), 0u) << length;
    EXPECT_FALSE(ReadTargetList(Widen(path), targets)) << length;
    EXPECT_EQ(targets, kUntouched);
    EXPECT_EQ(counting.openCalls, 0) << length;
  }
  // The limit is on the resolved path: a short relative name that resolves
  // past it fails as well.
  const std::string deep = PathOfLength(base, 300);
  WriteTestPackage(deep, "16.1.84.0;16.1.63.10,", "{A}");
  CurrentDirectoryGuard cwd(deep.substr(0, deep.rfind('/')));
  std::wstring targets = kUntouched;
  EXPECT_FALSE(ReadTargetList(Widen(deep.substr(deep.rfind('/') + 1)), targets));
  EXPECT_EQ(targets, kUntouched);
}

// Faults only a scripted service can produce.
struct ScriptCase {
  const char* name;
  std::vector<std::uint32_t> forcedResults;
  std::uint32_t neededLength;
  bool succeeds;
  std::vector<std::uint32_t> bufferSizes;
};
void PrintTo(const ScriptCase& c, std::ostream* os) { *os << c.name; }

class ScriptedReadTest : public SummaryReaderTest,
                         public testing::WithParamInterface<ScriptCase> {};

TEST_P(ScriptedReadTest, RetriesOnceAndClosesTheHandle) {
  const ScriptCase& c = GetParam();
  FakeService fake;
  fake.properties[summary_information::kKeywordsProperty] = L"16.1.84.0;16.1.63.10,";
  fake.properties[summary_information::kTemplateProperty] = L"{A};{B}";
  ServiceGuard guard(fake);

  fake.forcedPropertyResults = c.forcedResults;
  fake.forcedNeededLength = c.neededLength;
  std::wstring upgrade = kUntouched, candidates = kUntouched;
  EXPECT_EQ(ReadVersionRule(L"/pkg.msp", upgrade, candidates), c.succeeds);
  EXPECT_EQ(upgrade, c.succeeds ? L"16.1.84.0" : kUntouched);
  EXPECT_EQ(candidates, c.succeeds ? L"16.1.63.10," : kUntouched);
  EXPECT_EQ(fake.propertyBufferSizes, c.bufferSizes);
  EXPECT_EQ(fake.opens, 1);
  EXPECT_EQ(fake.OpenHandles(), 0);

  fake.forcedPropertyResults = c.forcedResults;
  fake.propertyBufferSizes.clear();
  std::wstring targets = kUntouched;
  EXPECT_EQ(ReadTargetList(L"/pkg.msp", targets), c.succeeds);
  EXPECT_EQ(targets, c.succeeds ? L"{A};{B}" : kUntouched);
  EXPECT_EQ(fake.propertyBufferSizes, c.bufferSizes);
  EXPECT_EQ(fake.opens, 2);
  EXPECT_EQ(fake.OpenHandles(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Scripts, ScriptedReadTest,
    testing::Values(ScriptCase{"MoreDataTwice", {234, 234}, 5000, false, {2048, 5001}},
                    ScriptCase{"MoreDataThenFailure", {234, 1627}, 5000, false, {2048, 5001}},
                    ScriptCase{"FirstReadFails", {1627}, 0, false, {2048}},
                    ScriptCase{"InvalidHandle", {6}, 0, false, {2048}},
                    // The retry asks for the reported length plus one and nothing more;
                    // the values are shorter than that, so the second read succeeds.
                    ScriptCase{"MoreDataThenValue", {234}, 30, true, {2048, 31}}),
    [](const testing::TestParamInfo<ScriptCase>& info) { return info.param.name; });

TEST_F(SummaryReaderTest, UnopenablePackageClosesNothing) {
  FakeService fake;
  fake.unopenable.push_back(L"/pkg.msp");
  ServiceGuard guard(fake);
  std::wstring targets = kUntouched;
  EXPECT_FALSE(ReadTargetList(L"/pkg.msp", targets));
  EXPECT_EQ(targets, kUntouched);
  EXPECT_EQ(fake.openedPaths.size(), 1u);
  EXPECT_EQ(fake.propertyCalls, 0);
  EXPECT_EQ(fake.closes, 0);
}

}  // namespace
}  // namespace spinstall::package
