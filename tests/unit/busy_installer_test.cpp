// A busy installer (1618): the retries and their waits, bounded by the run's
// budget, and whole runs against the host stand-in told to answer 1618 a
// number of times. No test sleeps: the waits are recorded instead.
#include "apply/busy_installer.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "installer/host/product_registry.h"
#include "launcher/entry.h"
#include "launcher/run_mode.h"
#include "platform/error_codes.h"
#include "platform/host/host_state.h"
#include "platform/host/utf8.h"
#include "support/case_name.h"
#include "support/fresh_process.h"
#include "support/program_run.h"
#include "support/result_box.h"
#include "support/temp_dir.h"

namespace spinstall::apply {
namespace {

using platform::host::Widen;

constexpr std::uint32_t kBusy = platform::kErrorInstallAlreadyRunning;

std::vector<std::uint32_t> g_waits;
void RecordWait(std::uint32_t seconds) { g_waits.push_back(seconds); }

struct RetryCase {
  const char* name;
  std::vector<std::uint32_t> answers;  // the last one repeats
  std::uint32_t totalSeconds;
  std::uint32_t usedBefore;  // by earlier products of the run
  std::uint32_t result;
  std::vector<std::uint32_t> waits;
};

void PrintTo(const RetryCase& c, std::ostream* out) { *out << c.name; }

class RetryWhileBusyTest : public testsupport::FreshProcessTest,
                           public testing::WithParamInterface<RetryCase> {};

TEST_P(RetryWhileBusyTest, WaitsWhileBusyWithinTheBudget) {
  const RetryCase& c = GetParam();
  SetBusyWait(RecordWait);
  g_waits.clear();
  std::size_t calls = 0;
  BusyBudget budget{c.totalSeconds, c.usedBefore};
  const std::uint32_t result =
      RetryWhileBusy([&] { return c.answers[std::min(calls++, c.answers.size() - 1)]; }, budget);
  EXPECT_EQ(result, c.result);
  EXPECT_EQ(g_waits, c.waits);
  EXPECT_EQ(calls, c.waits.size() + 1);  // one call, and one after each wait
  std::uint32_t waited = c.usedBefore;
  for (const auto wait : c.waits) waited += wait;
  EXPECT_EQ(budget.usedSeconds, waited);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, RetryWhileBusyTest,
    testing::Values(RetryCase{"FreeAtOnce", {0}, 300, 0, 0, {}},
                    RetryCase{"BusyTwiceThenApplied", {kBusy, kBusy, 0}, 300, 0, 0, {10, 10}},
                    RetryCase{"BusyThenAnotherFailure", {kBusy, 1603}, 300, 0, 1603, {10}},
                    RetryCase{"BusyThenRestartNeeded", {kBusy, 3010}, 300, 0, 3010, {10}},
                    // The last wait is cut to what the budget has left.
                    RetryCase{"GivenUpAfterTheBudget", {kBusy}, 25, 0, kBusy, {10, 10, 5}},
                    RetryCase{"BudgetOfExactlyOneWait", {kBusy}, 10, 0, kBusy, {10}},
                    RetryCase{"NoBudgetNoWait", {kBusy}, 0, 0, kBusy, {}},
                    // An earlier product's waits count against the same budget.
                    RetryCase{"BudgetSharedWithEarlierProducts", {kBusy}, 300, 295, kBusy, {5}},
                    RetryCase{"BudgetUsedUpBefore", {kBusy, 0}, 300, 300, kBusy, {}}),
    testsupport::CaseName());

// Whole runs: the first target product at the candidate version, its
// configure call answered 1618 `busy` times by the stand-in.
struct BusyRunCase {
  const char* name;
  std::uint32_t busy;
  std::vector<std::wstring> options;
  std::uint32_t exitCode;
  std::vector<std::uint32_t> waits;
  const char* versionAfter;
};

void PrintTo(const BusyRunCase& c, std::ostream* out) { *out << c.name; }

class BusyRunTest : public testsupport::FreshProcessTest,
                    public testing::WithParamInterface<BusyRunCase> {
 protected:
  std::string Registry() const { return scratch_ / "products.ini"; }
  std::string Log() const { return scratch_ / "run.log"; }

  // The log's lines without their timestamps and process ids.
  std::vector<std::string> LogLines() const {
    std::vector<std::string> lines;
    std::istringstream in(testsupport::ReadFileBytes(Log()));
    for (std::string line; std::getline(in, line);) {
      const auto text = line.find("] ") + 2;
      lines.push_back(line.substr(text, line.size() - 1 - text));
    }
    return lines;
  }
};

TEST_P(BusyRunTest, RetriedWhileBusyThenAppliedOrGivenUp) {
  const BusyRunCase& c = GetParam();
  testsupport::WriteFileBytes(
      Registry(), testsupport::RegistrySection(testsupport::kFirstTarget, "Quillmark Schreiber",
                                               "1031", "16.1.63.10") +
                      "ConfigureBusy=" + std::to_string(c.busy) + "\n");
  env_.Set("SPINSTALL_PRODUCTS", Registry());
  SetBusyWait(RecordWait);
  g_waits.clear();
  std::vector<std::wstring> args = {L"spinstall", L"/q", L"/exitcode", L"/log", Widen(Log())};
  args.insert(args.end(), c.options.begin(), c.options.end());
  platform::host::SetArguments(args);

  EXPECT_EQ(launcher::RunProgram(), c.exitCode);
  EXPECT_EQ(g_waits, c.waits);

  std::vector<installer::host::RegisteredProduct> products;
  std::string error;
  ASSERT_TRUE(installer::host::ParseProductRegistry(testsupport::ReadFileBytes(Registry()),
                                                    products, error))
      << error;
  ASSERT_EQ(products.size(), 1u);
  EXPECT_EQ(*products[0].Property(L"VersionString"), Widen(c.versionAfter));
  const auto answered = std::min<std::size_t>(c.busy, c.waits.size() + 1);
  EXPECT_EQ(products[0].configureBusy, c.busy - answered);

  // Each call logged with its result, and each wait.
  const auto lines = LogLines();
  std::size_t busyCalls = 0, waitLines = 0, gaveUp = 0;
  for (const auto& line : lines) {
    busyCalls += line.starts_with("configure ") && line.find(": result 1618 (") != line.npos;
    waitLines += line.starts_with("installer busy with another installation: waiting ");
    gaveUp += line.starts_with("installer still busy, ");
  }
  EXPECT_EQ(busyCalls, answered);
  EXPECT_EQ(waitLines, c.waits.size());
  EXPECT_EQ(gaveUp, c.exitCode == kBusy ? 1u : 0u);
  EXPECT_EQ(lines.back(), c.exitCode == kBusy
                              ? "result: 0 patched, 1 failed, 0 up to date, 0 not a candidate "
                                "version, restart required: no, exit code 1618"
                              : "result: 1 patched, 0 failed, 0 up to date, 0 not a candidate "
                                "version, restart required: no, exit code 0");
}

INSTANTIATE_TEST_SUITE_P(
    Runs, BusyRunTest,
    testing::Values(BusyRunCase{"RetriedThenSucceeds", 2, {}, 0, {10, 10}, "16.1.84.0"},
                    BusyRunCase{
                        "GivenUp", 100, {L"/busywait", L"25"}, kBusy, {10, 10, 5}, "16.1.63.10"},
                    BusyRunCase{"ZeroWaitsNever", 1, {L"/busywait", L"0"}, kBusy, {}, "16.1.63.10"},
                    // The default budget: 30 waits of 10 s, 31 calls.
                    BusyRunCase{"DefaultBudgetGivenUp",
                                40,
                                {},
                                kBusy,
                                std::vector<std::uint32_t>(30, 10),
                                "16.1.63.10"}),
    testsupport::CaseName());

}  // namespace
}  // namespace spinstall::apply
