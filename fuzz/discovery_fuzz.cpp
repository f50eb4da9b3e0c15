// The target-list walk on any list.
#include "apply/product_discovery.h"
#include "fuzz_input.h"
#include "fuzz_service.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  fuzzing::FuzzService service;
  spinstall::installer::SetActiveService(&service);
  const std::wstring list = fuzzing::WideText(data, size);
  spinstall::apply::ProductRecord templateRecord;
  templateRecord.upgradeVersion = L"16.1.84.0";
  spinstall::apply::DiscoverInstalledProducts(list, templateRecord);
  spinstall::installer::SetActiveService(nullptr);

  std::size_t separators = 0;
  for (wchar_t c : list) separators += c == L';';
  auto& products = spinstall::apply::ProductList();
  fuzzing::Require(products.size() <= separators + 1);
  for (const auto& record : products) {
    fuzzing::Require(!record->productCode.empty());
    fuzzing::Require(record->productCode.find(L';') == std::wstring::npos);
    fuzzing::Require(record->productCode.size() % 2 == 0);  // only "installed" ones
    fuzzing::Require(record->upgradeVersion == L"16.1.84.0");
  }
  spinstall::apply::ClearProductList();
  return 0;
}
