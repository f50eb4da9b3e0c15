#include "checks/uninstallable_tables.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace msptool {
namespace {

// Whether rows added to `table` make a patch not uninstallable.
bool BlocksRemoval(const std::string& table) {
  // Page "Uninstallable Patches": the tables, in its order.
  static constexpr std::array<std::string_view, 30> kTables = {
      "AppId",
      "BindImage",
      "Class",
      "Complus",
      "CreateFolder",
      "DuplicateFile",
      "Environment",
      "Extension",
      "Font",
      "IniFile",
      "IsolatedComponent",
      "LockPermissions",
      "MsiLockPermissionsEx",
      "MIME",
      "MoveFile",
      "MsiServiceConfig",
      "MsiServiceConfigFailureActions",
      "ODBCAttribute",
      "ODBCDataSource",
      "ODBCDriver",
      "ODBCSourceAttribute",
      "ODBCTranslator",
      "ProgId",
      "PublishComponent",
      "RemoveIniFile",
      "SelfReg",
      "ServiceControl",
      "ServiceInstall",
      "TypeLib",
      "Verb",
  };
  return std::find(kTables.begin(), kTables.end(), table) != kTables.end();
}

}  // namespace

std::string RowBlockingRemoval(const msi::DatabaseDiff& diff) {
  for (const auto& table : diff.tables) {
    if (!BlocksRemoval(table.name) || table.inserted.empty()) continue;
    const msi::Table layout{table.name, table.columns, {}};
    return "table " + table.name + ", row " + msi::KeyLabel(layout, table.inserted[0]);
  }
  return {};
}

}  // namespace msptool
