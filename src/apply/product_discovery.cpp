#include "apply/product_discovery.h"

#include <string_view>

#include "installer/installer_service.h"
#include "log/run_log.h"

namespace spinstall::apply {
namespace {

constexpr std::uint32_t kInfoBufferChars = 1024;

// One product property into `buffer`; a failed query yields the empty text, as
// the value a failing service leaves in the buffer is not to be trusted.
std::wstring ReadProductProperty(const std::wstring& productCode, const wchar_t* property,
                                 wchar_t (&buffer)[kInfoBufferChars]) {
  std::uint32_t count = kInfoBufferChars;
  buffer[0] = L'\0';
  const auto result =
      installer::ActiveService().GetProductInfo(productCode, property, buffer, count);
  if (result != 0) return {};
  buffer[kInfoBufferChars - 1] = L'\0';
  return buffer;
}

}  // namespace

std::vector<std::unique_ptr<ProductRecord>>& ProductList() {
  static std::vector<std::unique_ptr<ProductRecord>> list;
  return list;
}

void ClearProductList() { ProductList().clear(); }

bool IsProductInstalled(const std::wstring& productCode) {
  const auto state = installer::ActiveService().QueryProductState(productCode);
  const bool installed = state == installer::kStateAdvertised || state == installer::kStateDefault;
  log::Line(L"product " + productCode + L": state " + std::to_wstring(state) +
            (installed ? L", installed" : L", not installed"));
  return installed;
}

std::wstring ReadInstalledVersion(const std::wstring& productCode) {
  wchar_t buffer[kInfoBufferChars];
  return ReadProductProperty(productCode, L"VersionString", buffer);
}

void ReadNameAndLanguage(const std::wstring& productCode, std::wstring& name,
                         std::wstring& language) {
  wchar_t buffer[kInfoBufferChars];  // reused for both properties
  name = ReadProductProperty(productCode, L"ProductName", buffer);
  language = ReadProductProperty(productCode, L"Language", buffer);
}

void DiscoverInstalledProducts(const std::wstring& targetList, ProductRecord& templateRecord) {
  // One pass over the list. The template's own code field stays empty, so each
  // copy costs only its own fields, not the rest of the list.
  templateRecord.productCode.clear();
  const std::wstring list = targetList + L';';  // the last element ';'-ended too
  std::wstring_view rest = list;
  for (auto separator = rest.find(L';'); separator != std::wstring_view::npos && separator > 0;
       separator = rest.find(L';')) {
    auto record = std::make_unique<ProductRecord>(templateRecord);
    record->productCode = rest.substr(0, separator);
    if (IsProductInstalled(record->productCode)) {
      record->installedVersion = ReadInstalledVersion(record->productCode);
      ReadNameAndLanguage(record->productCode, record->productName, record->language);
      ProductList().push_back(std::move(record));
    }
    rest.remove_prefix(separator + 1);
  }
}

}  // namespace spinstall::apply
