#include "apply/install_driver.h"

#include "apply/decimal_reading.h"
#include "apply/product_discovery.h"
#include "apply/version_quad.h"
#include "installer/installer_service.h"
#include "messages/message_format.h"
#include "messages/result_messages.h"
#include "package/extraction.h"
#include "package/summary_reader.h"
#include "platform/environment.h"
#include "platform/last_error.h"

namespace spinstall::apply {
namespace {

using messages::ShowResultMessage;

constexpr std::size_t kCommandLineChars = 1024;

void ApplyPatch(ProductRecord& record, const std::wstring& packagePath) {
  record.commandLine = messages::FormatTemplate(L"PATCH=\"%s\"", packagePath, 0, kCommandLineChars);
  const std::uint32_t result = installer::ActiveService().ConfigureProductEx(
      record.productCode, installer::kInstallLevelDefault, installer::kInstallStateDefault,
      record.commandLine);
  if (installer::AppliedSuccessfully(result)) {
    ShowResultMessage(messages::kMsgSuccess);
  } else {
    platform::SetLastError(result);
    ShowResultMessage(messages::kMsgFailure);
  }
}

// Matches the installed version against each ','-ended candidate in turn.
// Returns true when the product was up to date.
bool HandleProduct(ProductRecord& record, const std::wstring& packagePath) {
  messages::CurrentProductName() = record.productName;
  // A Language that names no language gives the user's default, never the
  // previous product's.
  if (!platform::SetThreadLocale(static_cast<std::uint32_t>(ReadDecimal(record.language))))
    platform::SetThreadLocale(platform::kLocaleUserDefault);
  const VersionQuad installed = ParseVersionQuad(record.installedVersion);
  const VersionQuad upgrade = ParseVersionQuad(record.upgradeVersion);
  if (VersionQuadEquals(installed, upgrade)) return true;

  std::wstring_view candidates = record.candidateVersions;
  for (;;) {
    const auto comma = candidates.find(L',');
    if (comma == std::wstring_view::npos) {
      ShowResultMessage(messages::kMsgWrongVersion);
      return false;
    }
    const VersionQuad candidate = ParseVersionQuad(std::wstring(candidates.substr(0, comma)));
    if (VersionQuadEquals(installed, candidate)) {
      ApplyPatch(record, packagePath);
      return false;
    }
    // A candidate equal to the upgrade version cannot match here (the product
    // is not at the upgrade version), so the walk simply goes on.
    candidates.remove_prefix(comma + 1);
  }
}

}  // namespace

bool RunInstall() {
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
  DiscoverInstalledProducts(targetList, templateRecord);
  auto& products = ProductList();
  if (products.empty()) {
    ShowResultMessage(messages::kMsgNoProduct);
    return false;
  }

  std::size_t upToDate = 0;
  for (auto& record : products) {
    if (HandleProduct(*record, packagePath)) ++upToDate;
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
