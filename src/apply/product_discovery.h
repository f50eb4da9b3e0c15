// The installed target products: one record per product of the package's
// target list that the installer service knows as installed.
#pragma once

#include <memory>
#include <string>
#include <vector>

namespace spinstall::apply {

struct ProductRecord {
  std::wstring productCode;
  std::wstring upgradeVersion;
  std::wstring productName;
  std::wstring language;
  std::wstring commandLine;
  std::wstring candidateVersions;
  std::wstring installedVersion;
};

// The process-wide product list, in target-list order; emptied by the entry
// point when the run ends.
std::vector<std::unique_ptr<ProductRecord>>& ProductList();
void ClearProductList();

// True for the states advertised (1) and installed (5).
bool IsProductInstalled(const std::wstring& productCode);
std::wstring ReadInstalledVersion(const std::wstring& productCode);
void ReadNameAndLanguage(const std::wstring& productCode, std::wstring& name,
                         std::wstring& language);

// Appends a copy of `templateRecord` for every installed product of the
// ';'-separated `targetList`. An empty element ends the walk there.
void DiscoverInstalledProducts(const std::wstring& targetList, ProductRecord& templateRecord);

}  // namespace spinstall::apply
