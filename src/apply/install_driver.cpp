#include "apply/install_driver.h"

#include "apply/decimal_reading.h"
#include "apply/product_discovery.h"
#include "apply/version_quad.h"
#include "installer/installer_service.h"
#include "log/run_log.h"
#include "log/run_outcome.h"
#include "messages/message_format.h"
#include "messages/result_messages.h"
#include "package/extraction.h"
#include "package/summary_reader.h"
#include "package/temporary_name.h"
#include "platform/environment.h"
#include "platform/last_error.h"

namespace spinstall::apply {
namespace {

using messages::ShowResultMessage;

constexpr std::size_t kCommandLineChars = 1024;

// Before the first configure call: the installer's own interface stays out of
// a quiet run and shows only its progress otherwise; its verbose log goes
// beside the run log.
void PrepareInstaller() {
  installer::Service& service = installer::ActiveService();
  service.SetInternalUI(messages::Quiet()
                            ? installer::kUiLevelNone
                            : installer::kUiLevelBasic | installer::kUiLevelProgressOnly);
  if (!log::IsRunLogOpen()) return;
  std::uint32_t error = 0;
  const std::wstring installerLog = log::CreateInstallerLog(error);
  // None could be made: the installer logs nothing, and the run goes on.
  if (installerLog.empty()) {
    log::Line(L"installer log: none, error " + log::ResultText(error));
    return;
  }
  const std::uint32_t result =
      service.EnableLog(installer::kLogModeVerbose, installerLog,
                        installer::kLogAttributeAppend | installer::kLogAttributeFlushEachLine);
  log::Line(L"installer log: " + installerLog + L", result " + log::ResultText(result));
}

void ApplyPatch(ProductRecord& record, const std::wstring& packagePath, BusyBudget& busy) {
  // The installer never restarts the machine during the run, not even with no
  // interface of its own (/q), where it otherwise would: the run decides once,
  // at its end (restart_decision.h).
  record.commandLine = messages::FormatTemplate(L"PATCH=\"%s\" REBOOT=ReallySuppress", packagePath,
                                                0, kCommandLineChars);
  const std::uint32_t result = RetryWhileBusy(
      [&] {
        const std::uint32_t answer = installer::ActiveService().ConfigureProductEx(
            record.productCode, installer::kInstallLevelDefault, installer::kInstallStateDefault,
            record.commandLine);
        log::Line(L"configure " + record.productCode + L" with " + record.commandLine +
                  L": result " + log::ResultText(answer));
        return answer;
      },
      busy);
  log::NotePatchResult(result);
  if (installer::AppliedSuccessfully(result)) {
    ShowResultMessage(messages::kMsgSuccess);
  } else {
    platform::SetLastError(result);
    ShowResultMessage(messages::kMsgFailure);
  }
}

// Matches the installed version against each ','-ended candidate in turn.
// Returns true when the product was up to date.
bool HandleProduct(ProductRecord& record, const std::wstring& packagePath, BusyBudget& busy) {
  messages::CurrentProductName() = record.productName;
  // A Language that names no language gives the user's default, never the
  // previous product's.
  if (!platform::SetThreadLocale(static_cast<std::uint32_t>(ReadDecimal(record.language))))
    platform::SetThreadLocale(platform::kLocaleUserDefault);
  const VersionQuad installed = ParseVersionQuad(record.installedVersion);
  const VersionQuad upgrade = ParseVersionQuad(record.upgradeVersion);
  const std::wstring product = L"product " + record.productCode + L": name \"" +
                               record.productName + L"\", language " + record.language +
                               L", installed version " + record.installedVersion + L": ";
  if (VersionQuadEquals(installed, upgrade)) {
    log::Line(product + L"up to date");
    ++log::CurrentOutcome().upToDate;
    return true;
  }

  std::wstring_view candidates = record.candidateVersions;
  for (;;) {
    const auto comma = candidates.find(L',');
    if (comma == std::wstring_view::npos) {
      log::Line(product + L"not a candidate version");
      ++log::CurrentOutcome().notCandidate;
      ShowResultMessage(messages::kMsgWrongVersion);
      return false;
    }
    const VersionQuad candidate = ParseVersionQuad(std::wstring(candidates.substr(0, comma)));
    if (VersionQuadEquals(installed, candidate)) {
      log::Line(product + L"patching");
      ApplyPatch(record, packagePath, busy);
      return false;
    }
    // A candidate equal to the upgrade version cannot match here (the product
    // is not at the upgrade version), so the walk simply goes on.
    candidates.remove_prefix(comma + 1);
  }
}

void LogPackage(const std::wstring& packagePath, const ProductRecord& rule,
                const std::wstring& targetList) {
  if (!log::IsRunLogOpen()) return;
  std::wstring patchCode;
  package::ReadPatchCode(packagePath, patchCode);
  log::Line(L"package " + packagePath + L": patch code " + patchCode + L", " +
            std::to_wstring(package::CarriedPackageSize()) + L" bytes, version rule " +
            rule.upgradeVersion + L";" + rule.candidateVersions + L", targets " + targetList);
}

}  // namespace

bool RunInstall(std::uint32_t busyWaitSeconds) {
  std::wstring packagePath;
  platform::HeldFile held;
  if (!package::ExtractAndHoldPackage(packagePath, held)) {
    ShowResultMessage(messages::kMsgFailure);
    return false;
  }
  ProductRecord templateRecord;
  if (!package::ReadVersionRule(packagePath, templateRecord.upgradeVersion,
                                templateRecord.candidateVersions)) {
    ShowResultMessage(messages::kMsgFailure);
    return false;
  }
  std::wstring targetList;
  if (!package::ReadTargetList(packagePath, targetList)) {
    ShowResultMessage(messages::kMsgFailure);
    return false;
  }
  LogPackage(packagePath, templateRecord, targetList);
  package::MendTmp(packagePath);
  DiscoverInstalledProducts(targetList, templateRecord);
  log::CurrentOutcome().targetsExamined = true;
  auto& products = ProductList();
  if (products.empty()) {
    ShowResultMessage(messages::kMsgNoProduct);
    return false;
  }
  PrepareInstaller();

  std::size_t upToDate = 0;
  BusyBudget busy{busyWaitSeconds};
  for (auto& record : products) {
    if (HandleProduct(*record, packagePath, busy)) ++upToDate;
  }
  if (upToDate == products.size()) {
    platform::SetThreadLocale(platform::kLocaleUserDefault);
    ShowResultMessage(messages::kMsgNotNeeded);
  }
  held.Close();
  platform::DeleteFileAt(packagePath);
  return true;
}

}  // namespace spinstall::apply
