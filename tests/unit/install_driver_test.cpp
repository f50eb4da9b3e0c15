// The install driver against a scripted installer service: which products get
// the patch, which box each outcome shows in which language, and what becomes
// of the temporary package.
#include "apply/install_driver.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "apply/product_discovery.h"
#include "installer/installer_service.h"
#include "messages/result_messages.h"
#include "platform/environment.h"
#include "platform/host/utf8.h"
#include "support/boxes.h"
#include "support/case_name.h"
#include "support/deep_directory.h"
#include "support/fake_service.h"
#include "support/fresh_process.h"
#include "support/process_limits.h"
#include "support/result_box.h"

namespace spinstall::apply {
namespace {

using testsupport::Box;
using testsupport::ResultBox;

constexpr std::uint32_t kRule = summary_information::kKeywordsProperty;
constexpr std::uint32_t kTargets = summary_information::kTemplateProperty;

constexpr const wchar_t* kGerman = L"{00000000-0000-0000-0000-00000000DE01}";
constexpr const wchar_t* kFrench = L"{00000000-0000-0000-0000-00000000FE01}";
constexpr const wchar_t* kJapanese = L"{00000000-0000-0000-0000-00000000A701}";
constexpr const wchar_t* kMissing = L"{00000000-0000-0000-0000-000000000000}";

class InstallDriverTest : public testsupport::FreshProcessTest {
 protected:
  void SetUp() override {
    FreshProcessTest::SetUp();
    installer::SetActiveService(&service_);
    service_.properties[kRule] = L"16.1.84.0;16.1.63.10,";
    service_.properties[kTargets] = L"";
  }

  // Puts `code` on the target list, installed with these properties.
  void AddProduct(const wchar_t* code, const std::wstring& name, const std::wstring& language,
                  const std::wstring& version, std::uint32_t configureResult = 0) {
    service_.AddTargetProduct(code, name, language, version, configureResult);
  }
  void AddTarget(const wchar_t* code) {
    std::wstring& targets = service_.properties[kTargets];
    targets += (targets.empty() ? L"" : L";") + std::wstring(code);
  }

  std::vector<Box> Run() {
    testsupport::BoxCapture capture;
    result_ = RunInstall();
    return capture.Stop();
  }

  // The run ends with the 300 box showing `code` before it asks after any
  // product, and keeps the package.
  void ExpectStopBeforeTheProducts(const char* code) {
    EXPECT_EQ(Run(), std::vector<Box>{ResultBox(1033, 300, code)});
    EXPECT_FALSE(result_);
    EXPECT_TRUE(service_.stateQueries.empty());
    EXPECT_EQ(TempDirectoryEntries(), std::vector<std::string>{"MSP2"});
  }

  std::wstring PackagePath() const { return platform::host::Widen(TempDirectory()) + L"/MSP2"; }
  std::wstring PatchCommandLine() const {
    return L"PATCH=\"" + PackagePath() + L"\" REBOOT=ReallySuppress";
  }
  std::vector<std::wstring> ConfiguredProducts() const {
    std::vector<std::wstring> codes;
    for (const auto& call : service_.configureCalls) codes.push_back(call.productCode);
    return codes;
  }

  testsupport::FakeService service_;
  bool result_ = false;
};

TEST_F(InstallDriverTest, AppliesTheMatchingProductAndReportsEachOutcome) {
  AddProduct(kGerman, L"Schreiber", L"1031", L"16.1.63.10");
  AddProduct(kFrench, L"Rédacteur", L"1036", L"16.1.84.0");
  AddProduct(kJapanese, L"ライター", L"1041", L"16.1.50.0");
  const auto boxes = Run();
  EXPECT_EQ(boxes, (std::vector<Box>{ResultBox(1031, 301, "Schreiber"),
                                     ResultBox(1041, 308, "ライター")}));
  EXPECT_TRUE(result_);
  ASSERT_EQ(service_.configureCalls.size(), 1u);
  const auto& call = service_.configureCalls[0];
  EXPECT_EQ(call.productCode, kGerman);
  EXPECT_EQ(call.installLevel, 0);
  EXPECT_EQ(call.installState, 5);
  EXPECT_EQ(call.commandLine, PatchCommandLine());
  ASSERT_EQ(ProductList().size(), 3u);
  EXPECT_EQ(ProductList()[0]->commandLine, PatchCommandLine());
  EXPECT_EQ(ProductList()[2]->commandLine, L"");
  // The package was read where it was written, and is gone at the end.
  ASSERT_FALSE(service_.openedPaths.empty());
  EXPECT_EQ(service_.openedPaths[0], PackagePath());
  EXPECT_EQ(TempDirectoryEntries(), std::vector<std::string>{});
}

// Too long for a temporary name: no system error, so the code says so.
TEST_F(InstallDriverTest, PackageThatCannotBeWritten) {
  const std::string deep = testsupport::MakeDeepDirectory(scratch_.path(), 300);
  env_.Set("TMPDIR", deep);
  AddProduct(kGerman, L"Schreiber", L"1031", L"16.1.63.10");
  EXPECT_EQ(Run(), std::vector<Box>{ResultBox(1033, 300, "206")});
  EXPECT_FALSE(result_);
  EXPECT_TRUE(service_.openedPaths.empty());
  EXPECT_TRUE(service_.configureCalls.empty());
  EXPECT_EQ(testsupport::DirectoryEntries(deep), std::vector<std::string>{});
}

struct BadRuleCase {
  const wchar_t* rule;
};
void PrintTo(const BadRuleCase& c, std::ostream* os) { *os << testing::PrintToString(c.rule); }

class BadVersionRuleTest : public InstallDriverTest,
                           public testing::WithParamInterface<BadRuleCase> {};

TEST_P(BadVersionRuleTest, StopsWith4316AndKeepsThePackage) {
  service_.properties[kRule] = GetParam().rule;
  AddProduct(kGerman, L"Schreiber", L"1031", L"16.1.63.10");
  ExpectStopBeforeTheProducts("4316");
  EXPECT_TRUE(service_.configureCalls.empty());
}

// No ';' after the first character.
INSTANTIATE_TEST_SUITE_P(Rules, BadVersionRuleTest,
                         testing::Values(BadRuleCase{L"16.1.84.0"}, BadRuleCase{L""},
                                         BadRuleCase{L";16.1.63.10,"}, BadRuleCase{L";"},
                                         BadRuleCase{L"16.1.84.0,16.1.63.10,"}),
                         testsupport::CaseName());

// The 300 box shows what the service answered.
TEST_F(InstallDriverTest, VersionRuleThatCannotBeRead) {
  service_.propertyFailures[kRule] = 1610;
  AddProduct(kGerman, L"Schreiber", L"1031", L"16.1.63.10");
  ExpectStopBeforeTheProducts("1610");
}

TEST_F(InstallDriverTest, PackageWhoseSummaryCannotBeOpened) {
  service_.unopenable.push_back(PackagePath());
  service_.openFailure = 1620;
  AddProduct(kGerman, L"Schreiber", L"1031", L"16.1.63.10");
  ExpectStopBeforeTheProducts("1620");
}

// A short relative TMP whose full path passes 259 characters: the package is
// written, but its full path does not fit, and the code says so.
TEST_F(InstallDriverTest, PackageWhoseFullPathIsTooLong) {
  const std::string base = testsupport::MakeDirectoryOfLength(scratch_.path(), 240);
  std::filesystem::create_directories(base + "/tmp-of-twenty-chars");
  testsupport::CurrentDirectory inBase(base);
  env_.Set("TMP", "tmp-of-twenty-chars");
  AddProduct(kGerman, L"Schreiber", L"1031", L"16.1.63.10");
  EXPECT_EQ(Run(), std::vector<Box>{ResultBox(1033, 300, "206")});
  EXPECT_TRUE(service_.openedPaths.empty());
}

TEST_F(InstallDriverTest, TargetListThatCannotBeRead) {
  service_.propertyFailures[kTargets] = 1611;
  AddProduct(kGerman, L"Schreiber", L"1031", L"16.1.63.10");
  ExpectStopBeforeTheProducts("1611");
}

TEST_F(InstallDriverTest, NoTargetProductInstalled) {
  AddTarget(kMissing);
  AddTarget(kGerman);
  service_.products[kGerman].state = 2;  // absent
  EXPECT_EQ(Run(), std::vector<Box>{ResultBox(1033, 307)});
  EXPECT_FALSE(result_);
  EXPECT_EQ(service_.stateQueries, (std::vector<std::wstring>{kMissing, kGerman}));
  EXPECT_TRUE(service_.configureCalls.empty());
  EXPECT_EQ(TempDirectoryEntries(), std::vector<std::string>{"MSP2"});
}

TEST_F(InstallDriverTest, EmptyTargetList) {
  EXPECT_EQ(Run(), std::vector<Box>{ResultBox(1033, 307)});
  EXPECT_FALSE(result_);
  EXPECT_EQ(TempDirectoryEntries(), std::vector<std::string>{"MSP2"});
}

struct ConfigureCase {
  std::uint32_t result;
  std::uint32_t message;
  const char* argument;
};

class ConfigureResultTest : public InstallDriverTest,
                            public testing::WithParamInterface<ConfigureCase> {};

TEST_P(ConfigureResultTest, ReportedInTheProductsLanguageAndTheNextProductGoesOn) {
  const ConfigureCase& c = GetParam();
  AddProduct(kGerman, L"Schreiber", L"1031", L"16.1.63.10", c.result);
  AddProduct(kFrench, L"Rédacteur", L"1036", L"16.1.63.10");
  const auto boxes = Run();
  EXPECT_EQ(boxes, (std::vector<Box>{ResultBox(1031, c.message, c.argument),
                                     ResultBox(1036, 301, "Rédacteur")}));
  EXPECT_EQ(ConfiguredProducts(), (std::vector<std::wstring>{kGerman, kFrench}));
  EXPECT_TRUE(result_);
  EXPECT_EQ(TempDirectoryEntries(), std::vector<std::string>{});
}

// A restart still to come (3010) or under way (1641) means the patch was
// applied. Every other result is a failure printed with %d.
INSTANTIATE_TEST_SUITE_P(
    Results, ConfigureResultTest,
    testing::Values(ConfigureCase{0, 301, "Schreiber"}, ConfigureCase{3010, 301, "Schreiber"},
                    ConfigureCase{1641, 301, "Schreiber"}, ConfigureCase{1603, 300, "1603"},
                    ConfigureCase{1602, 300, "1602"}, ConfigureCase{1, 300, "1"},
                    ConfigureCase{0x80070005, 300, "-2147024891"}),
    [](const auto& info) { return std::to_string(info.param.result); });

struct MatchCase {
  const wchar_t* rule;
  const wchar_t* installed;
  std::uint32_t message;  // 0: up to date, no box of its own
};
void PrintTo(const MatchCase& c, std::ostream* os) {
  *os << testing::PrintToString(c.installed) << " in " << testing::PrintToString(c.rule);
}

class VersionMatchTest : public InstallDriverTest, public testing::WithParamInterface<MatchCase> {};

TEST_P(VersionMatchTest, DecidesByTheVersionRule) {
  const MatchCase& c = GetParam();
  service_.properties[kRule] = c.rule;
  AddProduct(kGerman, L"Schreiber", L"1031", c.installed);
  // A second product at the upgrade version: no closing message unless the
  // first one is up to date too.
  const std::wstring rule = c.rule;
  AddProduct(kFrench, L"Rédacteur", L"1036", rule.substr(0, rule.find(L';')));
  const auto boxes = Run();
  if (c.message == 0) {
    EXPECT_EQ(boxes, std::vector<Box>{ResultBox(1033, 306, "Rédacteur")});
    EXPECT_TRUE(service_.configureCalls.empty());
  } else {
    EXPECT_EQ(boxes, std::vector<Box>{ResultBox(1031, c.message, "Schreiber")});
    EXPECT_EQ(service_.configureCalls.size(), c.message == 301 ? 1u : 0u);
  }
  EXPECT_TRUE(result_);
  EXPECT_EQ(TempDirectoryEntries(), std::vector<std::string>{});
}

INSTANTIATE_TEST_SUITE_P(
    Rules, VersionMatchTest,
    testing::Values(MatchCase{L"16.1.84.0;16.1.63.10,", L"16.1.63.10", 301},
                    MatchCase{L"16.1.84.0;16.1.63.10,", L"16.1.84.0", 0},
                    MatchCase{L"16.1.84.0;16.1.63.10,", L"16.1.63.9", 308},
                    MatchCase{L"16.1.84.0;16.1.63.10,", L"16.1.63.11", 308},
                    // Fewer than four fields: the rest read 0.
                    MatchCase{L"16.1.84.0;16.1.63.10,", L"16.1.63", 308},
                    MatchCase{L"16.1.84.0;16.1.63.0,", L"16.1.63", 301},
                    MatchCase{L"16.1.84.0;16.1.63.10,", L"", 308},
                    // Versions compare by value, not by text.
                    MatchCase{L"16.1.84.0;16.1.63.10,", L"16,1,63,10", 301},
                    MatchCase{L"16.1.84.0; 16.01.063.10,", L"16.1.63.10", 301},
                    MatchCase{L"16.1.84;16.1.63.10,", L"16.1.84.0", 0},
                    // The upgrade version is tested first: a product at a version that is
                    // both is up to date, never patched.
                    MatchCase{L"16.1.63.10;16.1.63.10,", L"16.1.63.10", 0},
                    // Candidates in order; a later one matches too.
                    MatchCase{L"16.1.84.0;16.1.50.0,16.1.63.10,", L"16.1.63.10", 301},
                    MatchCase{L"16.1.84.0;16.1.50.0,16.1.63.10,", L"16.1.50.0", 301},
                    // Only ','-ended candidates count.
                    MatchCase{L"16.1.84.0;16.1.63.10", L"16.1.63.10", 308},
                    MatchCase{L"16.1.84.0;16.1.50.0,16.1.63.10", L"16.1.63.10", 308},
                    MatchCase{L"16.1.84.0;", L"16.1.63.10", 308},
                    // An empty candidate matches nothing here and does not end the walk.
                    MatchCase{L"16.1.84.0;,16.1.63.10,", L"16.1.63.10", 301},
                    // A candidate equal to the upgrade version does not match a product
                    // that is not at the upgrade version; the walk goes on.
                    MatchCase{L"16.1.84.0;16.1.84.0,16.1.63.10,", L"16.1.63.10", 301},
                    MatchCase{L"16.1.84.0;16.1.84.0,16.1.63.10,", L"16.1.50.0", 308}),
    testsupport::CaseName());

TEST_F(InstallDriverTest, DuplicateCandidateAppliesOnce) {
  service_.properties[kRule] = L"16.1.84.0;16.1.63.10,16.1.63.10,";
  AddProduct(kGerman, L"Schreiber", L"1031", L"16.1.63.10");
  EXPECT_EQ(Run(), std::vector<Box>{ResultBox(1031, 301, "Schreiber")});
  EXPECT_EQ(service_.configureCalls.size(), 1u);
}

TEST_F(InstallDriverTest, CandidateEqualToUpgradeLeavesLaterProductsHandled) {
  service_.properties[kRule] = L"16.1.84.0;16.1.84.0,16.1.63.10,";
  AddProduct(kJapanese, L"ライター", L"1041", L"16.1.50.0");
  AddProduct(kGerman, L"Schreiber", L"1031", L"16.1.63.10");
  AddProduct(kFrench, L"Rédacteur", L"1036", L"16.1.84.0");
  EXPECT_EQ(Run(), (std::vector<Box>{ResultBox(1041, 308, "ライター"),
                                     ResultBox(1031, 301, "Schreiber")}));
  EXPECT_TRUE(result_);
  EXPECT_EQ(ConfiguredProducts(), std::vector<std::wstring>{kGerman});
  EXPECT_EQ(TempDirectoryEntries(), std::vector<std::string>{});
}

TEST_F(InstallDriverTest, AllUpToDateShowsOneClosingMessageInTheUsersLanguage) {
  env_.Set("LANG", "fr_FR.UTF-8");
  AddProduct(kGerman, L"Schreiber", L"1031", L"16.1.84.0");
  AddTarget(kMissing);
  AddProduct(kJapanese, L"ライター", L"1041", L"16.1.84.0");
  // The last record's name, though the box is in the user's language.
  EXPECT_EQ(Run(), std::vector<Box>{ResultBox(1036, 306, "ライター")});
  EXPECT_TRUE(result_);
  EXPECT_TRUE(service_.configureCalls.empty());
  EXPECT_EQ(TempDirectoryEntries(), std::vector<std::string>{});
}

TEST_F(InstallDriverTest, QuietMakesTheSameCallsAndShowsNothing) {
  messages::Quiet() = true;
  AddProduct(kGerman, L"Schreiber", L"1031", L"16.1.63.10", 1603);
  AddProduct(kFrench, L"Rédacteur", L"1036", L"16.1.63.10");
  AddProduct(kJapanese, L"ライター", L"1041", L"16.1.50.0");
  testsupport::BoxCapture capture;
  EXPECT_TRUE(RunInstall());
  capture.Stop();
  EXPECT_EQ(capture.raw(), "");
  EXPECT_EQ(ConfiguredProducts(), (std::vector<std::wstring>{kGerman, kFrench}));
  EXPECT_EQ(service_.configureCalls[1].commandLine, PatchCommandLine());
  EXPECT_EQ(TempDirectoryEntries(), std::vector<std::string>{});
}

TEST_F(InstallDriverTest, QuietEarlyExitKeepsThePackage) {
  messages::Quiet() = true;
  testsupport::BoxCapture capture;
  EXPECT_FALSE(RunInstall());
  capture.Stop();
  EXPECT_EQ(capture.raw(), "");
  EXPECT_EQ(TempDirectoryEntries(), std::vector<std::string>{"MSP2"});
}

TEST_F(InstallDriverTest, LanguageIsReadAsADecimalNumber) {
  service_.properties[kRule] = L"16.1.84.0;16.1.63.10,";
  AddProduct(kJapanese, L"ライター", L" 1041", L"16.1.50.0");
  AddProduct(kGerman, L"Schreiber", L"1031xyz", L"16.1.50.0");
  AddProduct(kFrench, L"Rédacteur", L"\xFF11\xFF10\xFF13\xFF16", L"16.1.50.0");  // full-width
  EXPECT_EQ(Run(),
            (std::vector<Box>{ResultBox(1041, 308, "ライター"), ResultBox(1031, 308, "Schreiber"),
                              ResultBox(1036, 308, "Rédacteur")}));
}

TEST_F(InstallDriverTest, LanguageThatNamesNoLanguageTakesTheUsersDefault) {
  // Neither the locale the thread had before the run nor the previous
  // product's: the user's own (English here).
  platform::SetThreadLocale(1040);
  AddProduct(kFrench, L"Rédacteur", L"0x40C", L"16.1.50.0");
  AddProduct(kGerman, L"Schreiber", L"1031", L"16.1.63.10");
  AddProduct(kJapanese, L"ライター", L"abc", L"16.1.50.0");
  EXPECT_EQ(Run(),
            (std::vector<Box>{ResultBox(1033, 308, "Rédacteur"), ResultBox(1031, 301, "Schreiber"),
                              ResultBox(1033, 308, "ライター")}));
}

TEST_F(InstallDriverTest, LanguageMissingFromTheCatalogueFallsBack) {
  AddProduct(kGerman, L"Schreiber", L"3079", L"16.1.63.10");  // German (Austria)
  AddProduct(kFrench, L"Schrijver", L"1043", L"16.1.50.0");   // Dutch: not carried
  EXPECT_EQ(Run(), (std::vector<Box>{ResultBox(1031, 301, "Schreiber"),
                                     ResultBox(1033, 308, "Schrijver")}));
}

}  // namespace
}  // namespace spinstall::apply
