#include "admin/package_info.h"

#include "log/run_log.h"
#include "log/run_outcome.h"
#include "package/extraction.h"
#include "package/summary_reader.h"
#include "platform/last_error.h"
#include "platform/message_box.h"

namespace spinstall::admin {

std::wstring TargetListLines(std::wstring list) {
  // Replacing the first ';' until the last one left stands at index 0 (or none
  // is left) turns every ';' into a line feed, unless the list's only ';'
  // stands at index 0. Done in one pass, as lists can be long.
  const auto first = list.find(L';');
  if (first == std::wstring::npos || list.rfind(L';') == 0) return list;
  for (auto at = first; at != std::wstring::npos; at = list.find(L';', at + 1)) list[at] = L'\n';
  return list;
}

std::wstring PackageInfoText(const std::wstring& lines, const std::wstring& candidates,
                             const std::wstring& upgrade) {
  return L"Products:\n" + lines + L"\nTarget:\n\t" + candidates + L"\nUpgrade:\n\t" + upgrade;
}

void ShowPackageInfo() {
  // A failed step leaves its part of the box empty and counts as the run's
  // failure, with the code it left; the box is shown all the same.
  const auto step = [](bool done) {
    if (!done) log::NoteFailure(platform::LastError());
  };
  std::wstring packagePath;
  step(package::ExtractPackage(packagePath));
  std::wstring targets;
  step(package::ReadTargetList(packagePath, targets));
  std::wstring upgrade;
  std::wstring candidates;
  step(package::ReadVersionRule(packagePath, upgrade, candidates));
  const std::wstring text = PackageInfoText(TargetListLines(targets), candidates, upgrade);
  for (std::size_t start = 0, end = 0; end != std::wstring::npos; start = end + 1) {
    end = text.find(L'\n', start);
    log::Line(L"info box: " + text.substr(start, end - start));
  }
  platform::ShowMessageBox(
      text, L"Info", platform::kIconExclamation | platform::kSetForeground | platform::kTopMost);
}

}  // namespace spinstall::admin
