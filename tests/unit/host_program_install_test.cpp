// The host program run as a process without arguments, against the stand-in
// installer's product file: the carried package applied from end to end.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <utility>
#include <vector>

#include "installer/host/product_registry.h"
#include "platform/host/utf8.h"
#include "support/boxes.h"
#include "support/fresh_process.h"
#include "support/program_run.h"
#include "support/result_box.h"
#include "support/temp_dir.h"

namespace {

using spinstall::installer::host::ParseProductRegistry;
using spinstall::installer::host::RegisteredProduct;
using spinstall::platform::host::Widen;
using testsupport::Box;
using testsupport::ParseBoxes;
using testsupport::RegistrySection;
using testsupport::ResultBox;

// The first three products of the carried package's target list.
constexpr const char* kGermanCode = testsupport::kFirstTarget;
constexpr const char* kFrenchCode = "{32C7D65E-997D-42F2-B613-61BBEF5C51CC}";
constexpr const char* kJapaneseCode = "{ECB53EFA-4E5B-4446-B2E1-A8C4BAA3F468}";

const std::string kGerman =
    RegistrySection(kGermanCode, "Quillmark Schreiber", "1031", "16.1.63.10");
const std::string kFrench =
    RegistrySection(kFrenchCode, "Quillmark Rédacteur", "1036", "16.1.84.0");
const std::string kJapanese =
    RegistrySection(kJapaneseCode, "Quillmark ライター", "1041", "16.1.50.0");

class HostProgramInstallTest : public testsupport::FreshProcessTest {
 protected:
  std::string ProductsFile() const { return scratch_ / "products.ini"; }

  std::vector<Box> RunProgram(const std::vector<std::string>& args = {},
                              const std::string& lang = "C") {
    const auto run = testsupport::RunHostProgram(args,
                                                 {{"SPINSTALL_PRODUCTS", ProductsFile()},
                                                  {"TMPDIR", TempDirectory()},
                                                  {"TMP", ""},
                                                  {"LC_ALL", ""},
                                                  {"LC_MESSAGES", ""},
                                                  {"LANG", lang}},
                                                 scratch_.path());
    EXPECT_EQ(run.exitStatus, 0);
    lastStandardError_ = run.standardError;
    return ParseBoxes(run.standardError);
  }

  std::vector<RegisteredProduct> Products() const {
    std::vector<RegisteredProduct> products;
    std::string error;
    EXPECT_TRUE(ParseProductRegistry(testsupport::ReadFileBytes(ProductsFile()), products, error))
        << error;
    return products;
  }

  static std::wstring Property(const RegisteredProduct& product, const wchar_t* name) {
    const std::wstring* value = product.Property(name);
    return value ? *value : L"<none>";
  }

  std::string lastStandardError_;
};

TEST_F(HostProgramInstallTest, OneProductPerOutcome) {
  testsupport::WriteFileBytes(ProductsFile(), kGerman + kFrench + kJapanese);
  EXPECT_EQ(RunProgram(), (std::vector<Box>{ResultBox(1031, 301, "Quillmark Schreiber"),
                                            ResultBox(1041, 308, "Quillmark ライター")}))
      << lastStandardError_;
  EXPECT_EQ(TempDirectoryEntries(), std::vector<std::string>{});

  const auto products = Products();
  ASSERT_EQ(products.size(), 3u);
  EXPECT_EQ(Property(products[0], L"VersionString"), L"16.1.84.0");
  EXPECT_EQ(Property(products[0], L"CommandLine"),
            L"PATCH=\"" + Widen(TempDirectory()) + L"/MSP2\" REBOOT=ReallySuppress");
  EXPECT_EQ(Property(products[1], L"VersionString"), L"16.1.84.0");
  EXPECT_EQ(Property(products[1], L"CommandLine"), L"<none>");
  EXPECT_EQ(Property(products[2], L"VersionString"), L"16.1.50.0");
  EXPECT_EQ(Property(products[2], L"CommandLine"), L"<none>");

  // The German product is up to date now; the Japanese one still is not.
  EXPECT_EQ(RunProgram(), std::vector<Box>{ResultBox(1041, 308, "Quillmark ライター")});
  EXPECT_EQ(TempDirectoryEntries(), std::vector<std::string>{});
}

TEST_F(HostProgramInstallTest, SecondRunFindsEverythingUpToDate) {
  testsupport::WriteFileBytes(ProductsFile(), kGerman + kFrench);
  EXPECT_EQ(RunProgram(), std::vector<Box>{ResultBox(1031, 301, "Quillmark Schreiber")});
  EXPECT_EQ(RunProgram({}, "fr_FR.UTF-8"),
            std::vector<Box>{ResultBox(1036, 306, "Quillmark Rédacteur")});
  EXPECT_EQ(TempDirectoryEntries(), std::vector<std::string>{});
}

TEST_F(HostProgramInstallTest, QuietAppliesWithoutABox) {
  testsupport::WriteFileBytes(ProductsFile(), kGerman + kFrench + kJapanese);
  RunProgram({"/q"});
  EXPECT_EQ(lastStandardError_, "");
  const auto products = Products();
  ASSERT_EQ(products.size(), 3u);
  EXPECT_EQ(Property(products[0], L"VersionString"), L"16.1.84.0");
  EXPECT_EQ(TempDirectoryEntries(), std::vector<std::string>{});
}

TEST_F(HostProgramInstallTest, NoProductInstalled) {
  testsupport::WriteFileBytes(ProductsFile(), "");
  EXPECT_EQ(RunProgram(), std::vector<Box>{ResultBox(1033, 307)});
  // The early exit leaves the package behind.
  EXPECT_EQ(TempDirectoryEntries(), std::vector<std::string>{"MSP2"});
}

// A Linux exit status keeps the code's low 8 bits, and a failing code whose
// low 8 bits are 0 exits 255, never 0.
TEST_F(HostProgramInstallTest, ExitCodeInEightBits) {
  for (const auto& [code, status] : {std::pair{1536, 255}, {2560, 255}, {1603, 67}, {3010, 194}}) {
    testsupport::WriteFileBytes(ProductsFile(),
                                kGerman + "ConfigureResult=" + std::to_string(code));
    const auto run = testsupport::RunHostProgram(
        {"/q", "/exitcode"}, {{"SPINSTALL_PRODUCTS", ProductsFile()}, {"TMPDIR", TempDirectory()}},
        scratch_.path());
    EXPECT_EQ(run.exitStatus, status) << code;
  }
}

// Nobody reads the boxes any more: the run goes on all the same.
TEST_F(HostProgramInstallTest, BrokenStandardErrorPipeDoesNotStopTheInstall) {
  const std::string japanese =
      RegistrySection(kJapaneseCode, "Quillmark ライター", "1041", "16.1.63.10");
  testsupport::WriteFileBytes(ProductsFile(), kGerman + japanese);
  EXPECT_EQ(testsupport::RunHostProgramWithout(
                testsupport::StandardError::BrokenPipe, {},
                {{"SPINSTALL_PRODUCTS", ProductsFile()}, {"TMPDIR", TempDirectory()}, {"TMP", ""}},
                scratch_.path()),
            0);
  const auto products = Products();
  ASSERT_EQ(products.size(), 2u);
  EXPECT_EQ(Property(products[0], L"VersionString"), L"16.1.84.0");
  EXPECT_EQ(Property(products[1], L"VersionString"), L"16.1.84.0");
  EXPECT_EQ(TempDirectoryEntries(), std::vector<std::string>{});
}

// A device or a FIFO is no registry: no product, said on stderr, no hang.
TEST_F(HostProgramInstallTest, RegistryThatIsNoRegularFileHoldsNoProducts) {
  const std::string fifo = scratch_ / "fifo";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  for (const std::string& registry : {std::string("/dev/zero"), fifo}) {
    const auto run = testsupport::RunHostProgram(
        {}, {{"SPINSTALL_PRODUCTS", registry}, {"TMPDIR", TempDirectory()}}, scratch_.path());
    EXPECT_EQ(run.exitStatus, 0);
    EXPECT_EQ(ParseBoxes(run.standardError), std::vector<Box>{ResultBox(1033, 307)});
    EXPECT_NE(run.standardError.find(registry + ": not a regular file"), std::string::npos)
        << run.standardError;
  }
}

}  // namespace
