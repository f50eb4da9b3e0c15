// The host build's installer service: the product registry file behind the
// product operations, and libmsi behind the summary operations.
#include <sys/stat.h>

#include <gtest/gtest.h>
#include <cstdlib>
#include <string>
#include <vector>

#include "installer/host/product_registry.h"
#include "installer/installer_service.h"
#include "platform/error_codes.h"
#include "platform/host/utf8.h"
#include "support/boxes.h"
#include "support/case_name.h"
#include "support/env_guard.h"
#include "support/packages.h"
#include "support/process_state.h"
#include "support/temp_dir.h"

namespace spinstall::installer {
namespace {

using platform::host::Narrow;
using platform::host::Widen;
using testsupport::ReadFileBytes;
using testsupport::WriteFileBytes;

constexpr const wchar_t* kWriter = L"{D2B5E2A0-6F4C-4B1E-9C3A-1F2E3D4C5B6A}";
constexpr const wchar_t* kOther = L"{0EC1BE66-266F-4E7E-A24A-5107EE623AB9}";

const std::string kRegistry =
    "; two products\n"
    "[{D2B5E2A0-6F4C-4B1E-9C3A-1F2E3D4C5B6A}]\n"
    "ProductName=Sample Writer\n"
    "Language=1031\n"
    "VersionString=16.1.63.10\n"
    "\n"
    "[{0EC1BE66-266F-4E7E-A24A-5107EE623AB9}]\n"
    "State=1\n"
    "ProductName=Sample Reader\n"
    "Language=1036\n"
    "VersionString=16.1.63.10\n"
    "ConfigureResult=1603\n";

class StandInTest : public testing::Test {
 protected:
  void SetUp() override {
    testsupport::ResetProcessState();
    env_.Set("SPINSTALL_PRODUCTS", registry_);
  }
  void TearDown() override { testsupport::ResetProcessState(); }

  void WriteRegistry(const std::string& text) { WriteFileBytes(registry_, text); }

  // The value of a product property as the service answers it, or the
  // service's error code in brackets.
  std::wstring Info(const std::wstring& code, const std::wstring& property) {
    wchar_t buffer[1024];
    std::uint32_t count = 1024;
    const auto result = service_.GetProductInfo(code, property, buffer, count);
    return result == 0 ? std::wstring(buffer) : L"[" + std::to_wstring(result) + L"]";
  }

  Service& service_ = PlatformService();
  testsupport::TempDir dir_;
  std::string registry_ = dir_ / "products.ini";
  testsupport::EnvGuard env_;
};

TEST_F(StandInTest, AnswersFromTheRegistryFile) {
  WriteRegistry(kRegistry);
  EXPECT_EQ(service_.QueryProductState(kWriter), 5);  // the default
  EXPECT_EQ(service_.QueryProductState(kOther), 1);
  EXPECT_EQ(Info(kWriter, L"ProductName"), L"Sample Writer");
  EXPECT_EQ(Info(kWriter, L"Language"), L"1031");
  EXPECT_EQ(Info(kOther, L"VersionString"), L"16.1.63.10");
  EXPECT_EQ(Info(kWriter, L"Publisher"), L"[1608]");
  EXPECT_EQ(Info(L"{00000000-0000-0000-0000-000000000000}", L"ProductName"), L"[1605]");
  // Codes are matched exactly, as they stand.
  EXPECT_EQ(service_.QueryProductState(L"{d2b5e2a0-6f4c-4b1e-9c3a-1f2e3d4c5b6a}"), -1);
  EXPECT_EQ(service_.QueryProductState(std::wstring(kWriter) + L" "), -1);

  // The file is read on every call: a change shows at once.
  WriteRegistry("[{D2B5E2A0-6F4C-4B1E-9C3A-1F2E3D4C5B6A}]\nState=2\n");
  EXPECT_EQ(service_.QueryProductState(kWriter), 2);
  EXPECT_EQ(service_.QueryProductState(kOther), -1);
}

TEST_F(StandInTest, NothingIsInstalledWithoutAFile) {
  const std::string folder = dir_ / "folder";
  ::mkdir(folder.c_str(), 0755);
  for (const std::string& setting : {std::string(), dir_ / "missing.ini", folder}) {
    if (setting.empty())
      env_.Unset("SPINSTALL_PRODUCTS");
    else
      env_.Set("SPINSTALL_PRODUCTS", setting);
    EXPECT_EQ(service_.QueryProductState(kWriter), -1) << setting;
    EXPECT_EQ(Info(kWriter, L"ProductName"), L"[1605]") << setting;
    EXPECT_EQ(service_.ConfigureProductEx(kWriter, 0, 5, L"PATCH=\"/x.msp\""),
              platform::kErrorUnknownProduct)
        << setting;
  }
  EXPECT_FALSE(testsupport::PathExists(dir_ / "missing.ini"));
  // An empty variable names no file either.
  env_.Set("SPINSTALL_PRODUCTS", "");
  EXPECT_EQ(service_.QueryProductState(kWriter), -1);
}

TEST_F(StandInTest, MalformedFileIsReportedAndHoldsNoProducts) {
  WriteRegistry(kRegistry + "State=5\nthis line is not a key\n");
  testsupport::BoxCapture capture;
  EXPECT_EQ(service_.QueryProductState(kWriter), -1);
  EXPECT_EQ(Info(kWriter, L"ProductName"), L"[1605]");
  EXPECT_EQ(service_.ConfigureProductEx(kWriter, 0, 5, L""), platform::kErrorUnknownProduct);
  capture.Stop();
  EXPECT_NE(capture.raw().find(registry_), std::string::npos) << capture.raw();
  EXPECT_NE(capture.raw().find("line 14"), std::string::npos) << capture.raw();
  EXPECT_EQ(ReadFileBytes(registry_), kRegistry + "State=5\nthis line is not a key\n");
}

struct BufferCase {
  std::uint32_t capacity;
  std::uint32_t result;
  const wchar_t* text;  // what the buffer holds afterwards
};
void PrintTo(const BufferCase& c, std::ostream* os) { *os << "capacity " << c.capacity; }

class ShortBufferTest : public StandInTest, public testing::WithParamInterface<BufferCase> {};

// "Sample Writer" has 13 characters: it needs a buffer of 14.
TEST_P(ShortBufferTest, AnswersMoreDataWithTheLengthNeeded) {
  const BufferCase& c = GetParam();
  WriteRegistry(kRegistry);
  std::vector<wchar_t> buffer(c.capacity + 1, L'#');
  std::uint32_t count = c.capacity;
  EXPECT_EQ(service_.GetProductInfo(kWriter, L"ProductName", buffer.data(), count), c.result);
  EXPECT_EQ(count, 13u);
  if (c.capacity > 0) {
    EXPECT_EQ(std::wstring(buffer.data()), c.text);
  }
  EXPECT_EQ(buffer[c.capacity], L'#') << "written past the buffer";
}

INSTANTIATE_TEST_SUITE_P(Sizes, ShortBufferTest,
                         testing::Values(BufferCase{0, 234, L""}, BufferCase{1, 234, L""},
                                         BufferCase{13, 234, L"Sample Write"},
                                         BufferCase{14, 0, L"Sample Writer"},
                                         BufferCase{200, 0, L"Sample Writer"}),
                         testsupport::CaseName());

struct ConfigureCase {
  std::uint32_t configureResult;
  bool applied;
};
void PrintTo(const ConfigureCase& c, std::ostream* os) { *os << "result " << c.configureResult; }

class ConfigureTest : public StandInTest, public testing::WithParamInterface<ConfigureCase> {};

// A configure call answers the product's ConfigureResult; a success records
// the call and gives the product the patch's upgrade version.
TEST_P(ConfigureTest, RecordsOnlyAnAppliedPatch) {
  const ConfigureCase& c = GetParam();
  const std::string patch = dir_ / "sp 1.msp";
  testsupport::WriteTestPackage(patch, "17.2.3.4;16.1.63.10,", "{A}");
  const std::string before =
      "# the product under test first\n"
      "[{D2B5E2A0-6F4C-4B1E-9C3A-1F2E3D4C5B6A}]\n"
      "ProductName=Sample Writer\n"
      "VersionString=16.1.63.10\n"
      "ConfigureResult=" +
      std::to_string(c.configureResult) + "\n\n" + kRegistry.substr(kRegistry.find("[{0EC1"));
  WriteRegistry(before);
  std::vector<host::RegisteredProduct> old;
  std::string error;
  ASSERT_TRUE(host::ParseProductRegistry(before, old, error));

  const std::wstring commandLine = L"PATCH=\"" + Widen(patch) + L"\"";
  EXPECT_EQ(service_.ConfigureProductEx(kWriter, 0, 5, commandLine), c.configureResult);

  if (!c.applied) {
    EXPECT_EQ(ReadFileBytes(registry_), before);
    return;
  }
  std::vector<host::RegisteredProduct> now;
  ASSERT_TRUE(host::ParseProductRegistry(ReadFileBytes(registry_), now, error)) << error;
  ASSERT_EQ(now.size(), old.size());
  old[0].SetProperty(L"VersionString", L"17.2.3.4");
  old[0].SetProperty(L"CommandLine", commandLine);
  EXPECT_EQ(host::FormatProductRegistry(now), host::FormatProductRegistry(old));
  EXPECT_EQ(Info(kWriter, L"VersionString"), L"17.2.3.4");
  EXPECT_EQ(Info(kWriter, L"CommandLine"), commandLine);
  EXPECT_EQ(Info(kOther, L"VersionString"), L"16.1.63.10");
}

INSTANTIATE_TEST_SUITE_P(Results, ConfigureTest,
                         testing::Values(ConfigureCase{0, true}, ConfigureCase{3010, true},
                                         ConfigureCase{1641, true}, ConfigureCase{1603, false},
                                         ConfigureCase{1, false}, ConfigureCase{1642, false},
                                         ConfigureCase{3011, false}),
                         testsupport::CaseName());

TEST_F(StandInTest, AppliedPatchWithoutAnUpgradeVersionKeepsTheVersion) {
  WriteRegistry(kRegistry);
  const std::string empty = dir_ / "empty.msp";
  testsupport::WriteTestPackage(empty, "", "{A}");
  for (const std::string& commandLine :
       {"PATCH=\"" + dir_ / "missing.msp" + "\"", "PATCH=\"" + empty + "\"",
        std::string("REBOOT=ReallySuppress")}) {
    EXPECT_EQ(service_.ConfigureProductEx(kWriter, 0, 5, Widen(commandLine)), 0u);
    EXPECT_EQ(Info(kWriter, L"VersionString"), L"16.1.63.10") << commandLine;
    EXPECT_EQ(Info(kWriter, L"CommandLine"), Widen(commandLine));
  }
}

TEST_F(StandInTest, ConfigureAnswersTheProductsResult) {
  WriteRegistry(kRegistry);
  EXPECT_EQ(service_.ConfigureProductEx(kOther, 0, 5, L"PATCH=\"/none.msp\""), 1603u);
  EXPECT_EQ(service_.ConfigureProductEx(L"{unknown}", 0, 5, L""), platform::kErrorUnknownProduct);
  EXPECT_EQ(ReadFileBytes(registry_), kRegistry);
}

// Summary information comes from the package file through libmsi.
TEST_F(StandInTest, ReadsSummaryPropertiesOfAPackage) {
  const std::string patch = dir_ / "p.msp";
  testsupport::WriteTestPackage(patch, "16.1.84.0;16.1.63.10,", "{A};{B}");

  Handle summary = 0;
  ASSERT_EQ(service_.GetSummaryInformation(0, Widen(patch), 0, summary), 0u);
  EXPECT_NE(summary, 0u);
  const auto read = [&](std::uint32_t property, std::uint32_t& count) {
    std::uint32_t dataType = 99;
    std::int32_t integer = 0;
    FileTime fileTime;
    std::vector<wchar_t> buffer(count + 1, L'#');
    buffer.back() = L'\0';  // an untouched buffer still reads as text
    const auto result = service_.SummaryInfoGetProperty(summary, property, dataType, integer,
                                                        fileTime, buffer.data(), count);
    return std::make_pair(result, std::wstring(buffer.data()));
  };
  std::uint32_t count = 100;
  EXPECT_EQ(read(summary_information::kTemplateProperty, count),
            std::make_pair(0u, std::wstring(L"{A};{B}")));
  EXPECT_EQ(count, 7u);
  count = 7;
  EXPECT_EQ(read(summary_information::kTemplateProperty, count).first, platform::kErrorMoreData);
  EXPECT_EQ(count, 7u);
  // Properties that are not text, or not there, read as the empty text.
  for (std::uint32_t property : {15u, 12u, 8u}) {
    count = 100;
    EXPECT_EQ(read(property, count), std::make_pair(0u, std::wstring())) << property;
    EXPECT_EQ(count, 0u) << property;
  }

  EXPECT_EQ(service_.CloseHandle(summary), 0u);
  count = 100;
  EXPECT_EQ(read(summary_information::kTemplateProperty, count).first,
            platform::kErrorInvalidHandle);
  EXPECT_EQ(service_.CloseHandle(summary), platform::kErrorInvalidHandle);
}

TEST_F(StandInTest, SummaryOpensOnlyReadOnlyByPath) {
  const std::string patch = dir_ / "p.msp";
  testsupport::WriteTestPackage(patch, "1;2,", "{A}");
  Handle summary = 0;
  EXPECT_EQ(service_.GetSummaryInformation(1, Widen(patch), 0, summary),
            platform::kErrorInvalidParameter);
  EXPECT_EQ(service_.GetSummaryInformation(0, Widen(patch), 20, summary),
            platform::kErrorInvalidParameter);
  EXPECT_NE(service_.GetSummaryInformation(0, Widen(dir_ / "missing.msp"), 0, summary), 0u);
  EXPECT_EQ(summary, 0u);
}

// The documented walk-through: the program against a copy of the example
// registry patches the two products at 16.1.63.10 and says so in their
// languages; a second run finds everything up to date.
TEST_F(StandInTest, ExampleRegistryThroughTheProgram) {
  WriteFileBytes(registry_,
                 ReadFileBytes(std::string(SPINSTALL_SOURCE_DIR) + "/examples/products.ini"));
  env_.Set("TMP", dir_.path());  // the program's temporary package goes here
  const std::string run =
      std::string(SPINSTALL_PROGRAM) + " 2>" + (dir_ / "boxes.txt") + " >/dev/null";

  ASSERT_EQ(std::system(run.c_str()), 0);
  const auto boxes = testsupport::ParseBoxes(ReadFileBytes(dir_ / "boxes.txt"));
  // The French patch needs a restart: the question comes last (answered No).
  ASSERT_EQ(boxes.size(), 3u) << ReadFileBytes(dir_ / "boxes.txt");
  EXPECT_NE(boxes[0].text.find("Quillmark 16.1 Deutsch"), std::string::npos);
  EXPECT_NE(boxes[1].text.find("Quillmark 16.1 Français"), std::string::npos);
  EXPECT_EQ(boxes[0].icon, "information");
  EXPECT_EQ(boxes[1].icon, "information");
  EXPECT_EQ(boxes[2].icon, "question");

  std::vector<host::RegisteredProduct> products;
  std::string error;
  ASSERT_TRUE(host::ParseProductRegistry(ReadFileBytes(registry_), products, error)) << error;
  ASSERT_EQ(products.size(), 3u);
  const std::wstring commandLine = L"PATCH=\"" + Widen(dir_ / "MSP2") + L"\" REBOOT=ReallySuppress";
  for (int patched : {0, 1}) {
    EXPECT_EQ(*products[patched].Property(L"VersionString"), L"16.1.84.0");
    ASSERT_NE(products[patched].Property(L"CommandLine"), nullptr);
    EXPECT_EQ(*products[patched].Property(L"CommandLine"), commandLine);
  }
  EXPECT_EQ(products[2].Property(L"CommandLine"), nullptr);
  // The run removed its temporary package.
  EXPECT_FALSE(testsupport::PathExists(dir_ / "MSP2"));

  const std::string after = ReadFileBytes(registry_);
  ASSERT_EQ(std::system(run.c_str()), 0);
  EXPECT_EQ(testsupport::ParseBoxes(ReadFileBytes(dir_ / "boxes.txt")).size(), 1u);
  EXPECT_EQ(ReadFileBytes(registry_), after);
}

}  // namespace
}  // namespace spinstall::installer
