// What the run log of a whole program run says, outcome by outcome, and the
// exit status /exitcode gives; the installer's interface level and log; /?.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <sstream>

#include "installer/installer_service.h"
#include "launcher/entry.h"
#include "log/run_outcome.h"
#include "package/temporary_name.h"
#include "platform/host/embedded_resources.h"
#include "platform/host/host_state.h"
#include "platform/host/utf8.h"
#include "support/boxes.h"
#include "support/fake_service.h"
#include "support/fresh_process.h"
#include "support/process_limits.h"
#include "support/process_state.h"
#include "support/program_run.h"
#include "support/result_box.h"
#include "support/temp_dir.h"

namespace {

using spinstall::platform::host::Narrow;
using spinstall::platform::host::Widen;
using testsupport::Box;
using testsupport::ResultBox;

constexpr const wchar_t* kGerman = L"{00000000-0000-0000-0000-00000000DE01}";
constexpr const wchar_t* kJapanese = L"{00000000-0000-0000-0000-00000000A701}";
constexpr const wchar_t* kMissing = L"{00000000-0000-0000-0000-000000000000}";
const std::string kSucceeded = "result 0 (The operation completed successfully.)";

using SetUp = std::function<void(testsupport::FakeService&)>;

// The German product at `version`, its configure call ending with `result`.
SetUp German(const wchar_t* version, std::uint32_t result = 0) {
  return [=](testsupport::FakeService& s) {
    s.AddTargetProduct(kGerman, L"Schreiber", L"1031", version, result);
  };
}

// The German product as German() makes it, then the Japanese one at `version`.
SetUp GermanThenJapanese(const wchar_t* germanVersion, std::uint32_t germanResult,
                         const wchar_t* version, std::uint32_t result = 0) {
  return [=](testsupport::FakeService& s) {
    German(germanVersion, germanResult)(s);
    s.AddTargetProduct(kJapanese, L"ライター", L"1041", version, result);
  };
}

// The log line of the German product's configure call; $PACKAGE the package's path.
std::string GermanConfigured(const std::string& result) {
  return "configure " + Narrow(kGerman) +
         " with PATCH=\"$PACKAGE\" REBOOT=ReallySuppress: " + result;
}

struct LoggedRun {
  std::vector<Box> boxes;
  int exitStatus = -1;
  std::vector<std::string> log;  // without the timestamps
  // Whether some line of the log is exactly `line`.
  bool Logged(const std::string& line) const {
    return std::find(log.begin(), log.end(), line) != log.end();
  }
};

void PrintTo(const LoggedRun& run, std::ostream* out) {
  for (const auto& line : run.log) *out << "\n  " << line;
}

class RunLogContentsTest : public testsupport::FreshProcessTest {
 protected:
  void SetUp() override {
    FreshProcessTest::SetUp();
    spinstall::installer::SetActiveService(&service_);
    service_.properties[5] = L"16.1.84.0;16.1.63.10,";
    service_.properties[9] = L"{PATCH}";
  }

  LoggedRun RunWith(std::vector<std::wstring> args, const std::string& log) {
    // First: /? and /i end the walk.
    args.insert(args.begin(), {L"spinstall", L"/log", Widen(log)});
    spinstall::platform::host::SetArguments(args);
    // What a fresh process starts with, so that runs in one test compare.
    spinstall::log::CurrentOutcome() = {};
    spinstall::package::ResetTemporaryNameCounter();
    testsupport::BoxCapture capture;
    LoggedRun run;
    run.exitStatus = spinstall::launcher::RunProgram();
    run.boxes = capture.Stop();
    std::istringstream in(testsupport::ReadFileBytes(log));
    // Without the timestamp and the process id, which the run log tests check.
    for (std::string line; std::getline(in, line);) {
      const auto text = line.find("] ", 24) + 2;
      run.log.push_back(line.substr(text, line.size() - 1 - text));
    }
    return run;
  }
  LoggedRun RunLogged(std::vector<std::wstring> args) {
    return RunWith(std::move(args), LogPath());
  }

  std::string LogPath() const { return scratch_ / "run.log"; }
  std::string PackagePath() const { return TempDirectory() + "/MSP2"; }
  std::string WithPackage(std::string line) const {
    if (const auto at = line.find("$PACKAGE"); at != std::string::npos)
      line.replace(at, 8, PackagePath());
    return line;
  }
  static std::string BoxLine(std::uint32_t id, const Box& box) {
    std::string text = box.text;
    std::replace(text.begin(), text.end(), '\n', ' ');
    return "box " + std::to_string(id) + " \"" + box.caption + "\": " + text;
  }

  testsupport::FakeService service_;
};

TEST_F(RunLogContentsTest, InstallRunTellsWhatHappenedToEachProduct) {
  German(L"16.1.63.10")(service_);
  service_.AddTargetProduct(kMissing, L"", L"", L"", 0, -1);
  service_.AddTargetProduct(kJapanese, L"ライター", L"1041", L"16.1.50.0");
  const LoggedRun run = RunLogged({L"/exitcode"});
  const std::string german = Narrow(kGerman), japanese = Narrow(kJapanese);
  const std::vector<std::string> expected = {
      "spinstall 1.0.0, command line: spinstall /log " + LogPath() + " /exitcode",
      "mode: install, exit code",
      "package " + PackagePath() + ": patch code {PATCH}, " +
          std::to_string(testsupport::CarriedPackageBytes().size()) +
          " bytes, version rule 16.1.84.0;16.1.63.10,, targets " + Narrow(service_.properties[7]),
      "product " + german + ": state 5, installed",
      "product " + Narrow(kMissing) + ": state -1, not installed",
      "product " + japanese + ": state 5, installed",
      "installer log: " + LogPath() + ".installer.log, " + kSucceeded,
      "product " + german +
          ": name \"Schreiber\", language 1031, installed version 16.1.63.10: patching",
      WithPackage(GermanConfigured(kSucceeded)),
      BoxLine(301, ResultBox(1031, 301, "Schreiber")),
      "product " + japanese +
          ": name \"ライター\", language 1041, installed version 16.1.50.0: not a candidate "
          "version",
      BoxLine(308, ResultBox(1041, 308, "ライター")),
      "restart: not needed",
      "result: 1 patched, 0 failed, 0 up to date, 1 not a candidate version, restart required: "
      "no, exit code 1642"};
  EXPECT_EQ(run.log, expected);
  EXPECT_EQ(run.exitStatus, 1642);
}

// The exit code's rule, row by row, and the restart decision behind it: the
// first failing step's code; else 1642 when an installed target is at a
// version the patch is not for, or none is installed; else 1641 for a restart
// started, 3010 for one needed and not made; else 0.
struct RowCase {
  const char* name;
  SetUp setUp;
  std::vector<std::wstring> args;    // after /exitcode
  std::vector<std::uint32_t> boxes;  // as logged, shown or not (/q)
  std::string loggedLine;        // a line the log must hold, $PACKAGE the package's path; or empty
  int exitStatus;                // under /exitcode
  const char* answer = nullptr;  // SPINSTALL_ANSWER: the user's answer to the restart question
};

class RunLogRowTest : public RunLogContentsTest, public testing::WithParamInterface<RowCase> {};

TEST_P(RunLogRowTest, LogsTheOutcomeAndExitsWithItsCode) {
  const RowCase& c = GetParam();
  c.setUp(service_);
  if (c.answer) env_.Set("SPINSTALL_ANSWER", c.answer);
  std::vector<std::wstring> args = {L"/exitcode"};
  args.insert(args.end(), c.args.begin(), c.args.end());
  const LoggedRun run = RunLogged(args);
  std::vector<std::uint32_t> logged;
  for (const auto& line : run.log)
    if (line.starts_with("box ")) logged.push_back(std::stoul(line.substr(4, 3)));
  EXPECT_EQ(logged, c.boxes) << testing::PrintToString(run);
  const std::string line = WithPackage(c.loggedLine);
  EXPECT_TRUE(line.empty() || run.Logged(line)) << line << testing::PrintToString(run);
  // An installation's last line ends with the exit code, an administrator
  // mode's starts with it.
  const std::string& last = run.log.back();
  const std::string code = std::to_string(c.exitStatus);
  EXPECT_TRUE(last.ends_with(", exit code " + code) || last == "result: " + code)
      << testing::PrintToString(run);
  EXPECT_EQ(run.exitStatus, c.exitStatus);
  // Without /exitcode the status stays 0 whatever happened.
  EXPECT_EQ(RunLogged(c.args).exitStatus, 0);
}

const spinstall::platform::host::EmbeddedResource kNoPackage[] = {
    {L"TXT", L"#1", nullptr, nullptr}};
const SetUp kNoPackageCarried = [](testsupport::FakeService&) {
  spinstall::platform::host::OverrideResources(kNoPackage);
};
const SetUp kGermanNeedsRestart = German(L"16.1.63.10", 3010);

INSTANTIATE_TEST_SUITE_P(
    Rows, RunLogRowTest,
    testing::Values(
        RowCase{"PackageNotWritten", kNoPackageCarried, {}, {300}, "", 1814},
        RowCase{"VersionRuleWithoutSeparator",
                [](testsupport::FakeService& s) { s.properties[5] = L"16.1.84.0"; },
                {L"/q"},
                {300},
                "",
                4316},
        RowCase{"InfoAfterAFailedExtraction", kNoPackageCarried, {L"/i"}, {}, "", 1814},
        RowCase{"InstallerFails",
                German(L"16.1.63.10", 1612),
                {L"/q"},
                {300},
                GermanConfigured(
                    "result 1612 (The installation source for this product is not available.)"),
                1612},
        RowCase{"FailureWinsOverRestart",
                GermanThenJapanese(L"16.1.63.10", 3010, L"16.1.63.10", 1612),
                {L"/norestart"},
                {301, 300},
                "restart: needed, not made (/norestart)",
                1612},
        RowCase{"FailureWinsOverWrongVersion",
                GermanThenJapanese(L"16.1.50.0", 0, L"16.1.63.10", 1603),
                {},
                {308, 300},
                "",
                1603},
        RowCase{
            "NoTargetInstalled",
            [](testsupport::FakeService& s) { s.AddTargetProduct(kMissing, L"", L"", L"", 0, -1); },
            {},
            {307},
            "product " + Narrow(kMissing) + ": state -1, not installed",
            1642},
        RowCase{"UpToDateBesideAWrongVersion",
                GermanThenJapanese(L"16.1.84.0", 0, L"16.1.50.0"),
                {L"/q"},
                {308},
                "",
                1642},
        RowCase{"PatchedBesideAWrongVersionWinsOverRestart",
                GermanThenJapanese(L"16.1.63.10", 3010, L"16.1.50.0"),
                {L"/norestart"},
                {301, 308},
                "",
                1642},
        RowCase{"RestartNotMadeUnderQuiet",
                kGermanNeedsRestart,
                {L"/q"},
                {301},
                "restart: needed, not made (no restart option with /q: /norestart)",
                3010,
                "yes"},
        RowCase{"RestartDeclined",
                kGermanNeedsRestart,
                {},
                {301, 316},
                "restart: needed, not made (answered No)",
                3010},
        RowCase{"RestartNeverAskedUnderQuiet",
                kGermanNeedsRestart,
                {L"/q", L"/promptrestart"},
                {301, 316},
                "restart: needed, not made (not asked: /q)",
                3010,
                "yes"},
        RowCase{"RestartAccepted",
                kGermanNeedsRestart,
                {L"/promptrestart"},
                {301, 316},
                "restart: needed, requesting it (answered Yes)",
                1641,
                "yes"},
        RowCase{"RestartForcedUnderQuiet",
                kGermanNeedsRestart,
                {L"/q", L"/promptrestart", L"/forcerestart"},
                {301},
                "restart requested: result 0 (The operation completed successfully.)",
                1641},
        RowCase{"RestartStartedByTheInstaller",
                GermanThenJapanese(L"16.1.63.10", 1641, L"16.1.63.10", 3010),
                {},
                {301, 301},
                "restart: started by the installer (1641)",
                1641,
                "yes"},
        RowCase{"EveryProductUpToDate",
                German(L"16.1.84.0"),
                {},
                {306},
                "product " + Narrow(kGerman) +
                    ": name \"Schreiber\", language 1031, installed version 16.1.84.0: up to date",
                0}),
    [](const testing::TestParamInfo<RowCase>& info) { return info.param.name; });

TEST_F(RunLogContentsTest, InstallerInterfaceAndLogAreSetBeforeTheFirstConfigureCall) {
  German(L"16.1.63.10")(service_);
  const auto expect = [&](std::uint32_t level, const std::wstring& installerLog) {
    ASSERT_EQ(service_.settings.size(), 2u);
    EXPECT_EQ(service_.settings[0].uiLevel, level);
    EXPECT_EQ(service_.settings[0].configureCallsBefore, 0u);
    EXPECT_EQ(service_.settings[1].logPath, installerLog);
    EXPECT_EQ(service_.settings[1].configureCallsBefore, 0u);
    service_.settings.clear();
    service_.configureCalls.clear();
  };
  RunLogged({L"/q"});
  expect(spinstall::installer::kUiLevelNone, Widen(LogPath()) + L".installer.log");
  // The first run's installer log is there now: the next name is free.
  RunLogged({});
  expect(spinstall::installer::kUiLevelBasic | spinstall::installer::kUiLevelProgressOnly,
         Widen(LogPath()) + L".installer-2.log");
}

// Every name taken: the installer gets no log, the run log says so, and the
// run goes on as before.
TEST_F(RunLogContentsTest, NoFreeInstallerLogNameLeavesTheInstallerWithoutALog) {
  German(L"16.1.63.10")(service_);
  for (int n = 1; n <= 9; ++n)
    testsupport::WriteFileBytes(
        LogPath() + ".installer" + (n > 1 ? "-" + std::to_string(n) : "") + ".log", "");
  const LoggedRun run = RunLogged({L"/q"});
  EXPECT_TRUE(run.Logged("installer log: none, error 80 (The file exists.)"))
      << testing::PrintToString(run);
  EXPECT_EQ(service_.settings.size() + service_.configureCalls.size(), 2u);  // no EnableLog
}

TEST_F(RunLogContentsTest, UnwritableLogLeavesBoxesAndResultsAsTheyWere) {
  German(L"16.1.63.10", 1603)(service_);
  service_.AddTargetProduct(kJapanese, L"ライター", L"1041", L"16.1.50.0");
  const LoggedRun logged = RunLogged({L"/exitcode"});
  const auto configured = service_.configureCalls;
  service_.configureCalls.clear();
  const LoggedRun unlogged = RunWith({L"/exitcode"}, scratch_.path());  // a folder
  EXPECT_TRUE(unlogged.log.empty());
  EXPECT_EQ(unlogged.boxes, logged.boxes);
  EXPECT_EQ(unlogged.exitStatus, 1603);
  ASSERT_EQ(service_.configureCalls.size(), configured.size());
  EXPECT_EQ(service_.configureCalls[0].productCode, configured[0].productCode);
}

TEST_F(RunLogContentsTest, HelpShowsTheOptionsAndInstallsNothing) {
  const Box usage{"Service Pack Options", "information", ""};
  LoggedRun run = RunLogged({L"/p", L"list.txt", L"/?"});
  ASSERT_EQ(run.boxes.size(), 1u);
  EXPECT_EQ(run.boxes[0].caption, usage.caption);
  EXPECT_EQ(run.boxes[0].icon, usage.icon);
  EXPECT_TRUE(run.boxes[0].text.starts_with("Usage: spinstall.exe [/q]")) << run.boxes[0].text;
  EXPECT_NE(run.boxes[0].text.find("\n/exitcode"), std::string::npos);
  EXPECT_TRUE(run.Logged(BoxLine(314, run.boxes[0])))
      << BoxLine(314, run.boxes[0]) << testing::PrintToString(run);
  EXPECT_TRUE(service_.stateQueries.empty());
  EXPECT_TRUE(service_.openedPaths.empty());
  EXPECT_FALSE(testsupport::PathExists(scratch_ / "list.txt"));

  run = RunLogged({L"/q", L"/h"});
  EXPECT_TRUE(run.boxes.empty());
  EXPECT_TRUE(run.log[run.log.size() - 2].starts_with("box 314 not shown (quiet): Usage:"));
}

TEST_F(RunLogContentsTest, AdministratorModesLogTheirSteps) {
  testsupport::CurrentDirectory here(scratch_.path());
  service_.properties[7] = L"{A};{B}";
  const std::string size = std::to_string(testsupport::CarriedPackageBytes().size());
  LoggedRun run =
      RunLogged({L"/e", Widen(scratch_ / "x.msp"), L"/p", L"list.txt", L"/exitcode", L"/i"});
  EXPECT_EQ(run.exitStatus, 0);
  const std::vector<std::string> steps = {
      "mode: extract patch list info, exit code",
      "extract to " + scratch_ / "x.msp" + ": " + size + " bytes written, " + kSucceeded,
      "patch list list.txt: 1 blocks appended, " + kSucceeded,
      "info box: Products:",
      "info box: {A}",
      "info box: {B}",
      "info box:  16.1.84.0",
      "result: 0 (The operation completed successfully.)"};
  const std::string denied = "result 5 (Access is denied.)";
  for (const std::string& line : steps)
    EXPECT_TRUE(run.Logged(line)) << line << testing::PrintToString(run);

  run = RunLogged({L"/e", Widen(scratch_.path()), L"/p", Widen(scratch_.path()), L"/exitcode"});
  EXPECT_EQ(run.exitStatus, 5);  // the extraction's failure comes first
  for (const std::string& line :
       {"extract to " + scratch_.path() + ": 0 bytes written, " + denied,
        "patch list " + scratch_.path() + ": 0 blocks appended, " + denied})
    EXPECT_TRUE(run.Logged(line)) << line << testing::PrintToString(run);
}

TEST_F(RunLogContentsTest, HostInstallerWritesALinePerConfigureCallBesideTheLog) {
  spinstall::installer::SetActiveService(nullptr);
  const std::string products = scratch_ / "products.ini";
  testsupport::WriteFileBytes(
      products,
      testsupport::RegistrySection(testsupport::kFirstTarget, "Writer", "1033", "16.1.63.10"));
  const auto run = testsupport::RunHostProgram(
      {"/q", "/log", LogPath()},
      {{"SPINSTALL_PRODUCTS", products}, {"TMPDIR", TempDirectory()}, {"TMP", ""}},
      scratch_.path());
  EXPECT_EQ(run.exitStatus, 0);
  const std::string installerLog = testsupport::ReadFileBytes(LogPath() + ".installer.log");
  EXPECT_EQ(installerLog, "MsiConfigureProductExW " + std::string(testsupport::kFirstTarget) +
                              " level 0 state 5 ui level 2 command line PATCH=\"" + PackagePath() +
                              "\" REBOOT=ReallySuppress result 0\n");
}

}  // namespace
