// The /i mode: one box that shows which products and versions the carried
// package targets.
#pragma once

#include <string>

namespace spinstall::admin {

// Every ';' becomes a line feed, except a lone ';' left at index 0.
std::wstring TargetListLines(std::wstring list);

// "Products:\n" list "\nTarget:\n\t" candidates "\nUpgrade:\n\t" upgrade.
std::wstring PackageInfoText(const std::wstring& lines, const std::wstring& candidates,
                             const std::wstring& upgrade);

// Shows the box, whatever failed before it; ignores the quiet flag.
void ShowPackageInfo();

}  // namespace spinstall::admin
