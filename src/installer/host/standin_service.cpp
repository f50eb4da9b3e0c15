// The host build's installer service: summary information is read from the
// package file with libmsi, installed products come from the product registry
// file that SPINSTALL_PRODUCTS names (none without it).
#include <libmsi.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>

#include "installer/host/product_registry.h"
#include "installer/installer_service.h"
#include "platform/error_codes.h"
#include "platform/host/utf8.h"

namespace spinstall::installer {
namespace {

using platform::host::Narrow;
using platform::host::Widen;

constexpr std::uint32_t kErrorOpenFailed = 110;
constexpr std::uint32_t kErrorUnknownProperty = 1608;
constexpr std::int32_t kStateUnknown = -1;
constexpr std::uint32_t kVtEmpty = 0, kVtI4 = 3, kVtLpstr = 30, kVtFileTime = 64;

// Copies `value` into the caller's buffer the way the installer does: the
// whole text and 0, or as much as fits and 234 with the length needed.
std::uint32_t CopyOut(const std::wstring& value, wchar_t* buffer, std::uint32_t& count) {
  const std::uint32_t capacity = count;
  count = static_cast<std::uint32_t>(value.size());
  if (buffer && capacity > 0) {
    const std::size_t n = std::min<std::size_t>(value.size(), capacity - 1);
    std::copy_n(value.data(), n, buffer);
    buffer[n] = L'\0';
  }
  return value.size() < capacity ? platform::kErrorSuccess : platform::kErrorMoreData;
}

// The upgrade version a patch package gives a product: property 5 before ';'.
std::wstring UpgradeVersionOf(const std::string& packagePath) {
  GError* error = nullptr;
  LibmsiDatabase* db =
      libmsi_database_new(packagePath.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, &error);
  if (error) g_error_free(error);
  if (!db) return {};
  std::wstring version;
  if (LibmsiSummaryInfo* si = libmsi_summary_info_new(db, 0, nullptr)) {
    if (const gchar* rule = libmsi_summary_info_get_string(si, LIBMSI_PROPERTY_KEYWORDS, nullptr))
      version = Widen(std::string(rule).substr(0, std::string(rule).find(';')));
    g_object_unref(si);
  }
  g_object_unref(db);
  return version;
}

class StandInService final : public Service {
 public:
  ~StandInService() override {
    for (auto& [handle, si] : summaries_) g_object_unref(si);
  }

  std::uint32_t GetSummaryInformation(Handle database, const std::wstring& path,
                                      std::uint32_t updateCount, Handle& summary) override {
    if (database != 0 || updateCount != 0) return platform::kErrorInvalidParameter;
    GError* error = nullptr;
    LibmsiDatabase* db =
        libmsi_database_new(Narrow(path).c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, &error);
    if (error) g_error_free(error);
    if (!db) return kErrorOpenFailed;
    LibmsiSummaryInfo* si = libmsi_summary_info_new(db, 0, nullptr);
    g_object_unref(db);
    if (!si) return platform::kErrorInstallPackageInvalid;
    summary = next_++;
    summaries_[summary] = si;
    return platform::kErrorSuccess;
  }

  std::uint32_t SummaryInfoGetProperty(Handle summary, std::uint32_t property,
                                       std::uint32_t& dataType, std::int32_t& integer,
                                       FileTime& fileTime, wchar_t* buffer,
                                       std::uint32_t& count) override {
    const auto found = summaries_.find(summary);
    if (found == summaries_.end()) return platform::kErrorInvalidHandle;
    const auto id = static_cast<LibmsiProperty>(property);
    switch (libmsi_summary_info_get_property_type(found->second, id, nullptr)) {
      case LIBMSI_PROPERTY_TYPE_STRING: {
        dataType = kVtLpstr;
        const gchar* text = libmsi_summary_info_get_string(found->second, id, nullptr);
        return CopyOut(Widen(text ? text : ""), buffer, count);
      }
      case LIBMSI_PROPERTY_TYPE_INT:
        dataType = kVtI4;
        integer = libmsi_summary_info_get_int(found->second, id, nullptr);
        break;
      case LIBMSI_PROPERTY_TYPE_FILETIME: {
        dataType = kVtFileTime;
        const guint64 time = libmsi_summary_info_get_filetime(found->second, id, nullptr);
        fileTime.low = static_cast<std::uint32_t>(time);
        fileTime.high = static_cast<std::uint32_t>(time >> 32);
        break;
      }
      default:
        dataType = kVtEmpty;
    }
    // Not text: the buffer holds the empty text.
    return CopyOut(L"", buffer, count);
  }

  std::uint32_t CloseHandle(Handle handle) override {
    const auto found = summaries_.find(handle);
    if (found == summaries_.end()) return platform::kErrorInvalidHandle;
    g_object_unref(found->second);
    summaries_.erase(found);
    return platform::kErrorSuccess;
  }

  std::int32_t QueryProductState(const std::wstring& productCode) override {
    auto products = LoadProducts();
    const auto* product = Find(products, productCode);
    return product ? product->state : kStateUnknown;
  }

  std::uint32_t GetProductInfo(const std::wstring& productCode, const std::wstring& property,
                               wchar_t* buffer, std::uint32_t& count) override {
    auto products = LoadProducts();
    const auto* product = Find(products, productCode);
    if (!product) return platform::kErrorUnknownProduct;
    const std::wstring* value = product->Property(property);
    if (!value) return kErrorUnknownProperty;
    return CopyOut(*value, buffer, count);
  }

  std::uint32_t ConfigureProductEx(const std::wstring& productCode, int, std::int32_t,
                                   const std::wstring& commandLine) override {
    auto products = LoadProducts();
    auto* product = Find(products, productCode);
    if (!product) return platform::kErrorUnknownProduct;
    const std::uint32_t result = product->configureResult;
    if (result == platform::kErrorSuccess || result == platform::kErrorSuccessRebootRequired ||
        result == platform::kErrorSuccessRebootInitiated) {
      // Applied: the product now has the patch's upgrade version, as on a
      // real machine, so that a second run finds it up to date.
      // A patch that names no upgrade version leaves the version as it was.
      product->SetProperty(L"CommandLine", commandLine);
      const std::wstring patch = PatchPath(commandLine);
      const std::wstring upgrade = patch.empty() ? L"" : UpgradeVersionOf(Narrow(patch));
      if (!upgrade.empty()) product->SetProperty(L"VersionString", upgrade);
      std::ofstream out(RegistryPath(), std::ios::trunc);
      out << FormatProductRegistry(products);
    }
    return result;
  }

 private:
  static std::string RegistryPath() {
    const char* path = std::getenv("SPINSTALL_PRODUCTS");
    return path ? path : "";
  }

  static std::vector<host::RegisteredProduct> LoadProducts() {
    const std::string path = RegistryPath();
    if (path.empty()) return {};
    std::ifstream in(path, std::ios::binary);
    if (!in) return {};
    std::ostringstream text;
    text << in.rdbuf();
    std::vector<host::RegisteredProduct> products;
    std::string error;
    if (!host::ParseProductRegistry(text.str(), products, error)) {
      std::cerr << "spinstall: product registry " << path << ": " << error
                << " (no products installed)\n";
      return {};
    }
    return products;
  }

  static host::RegisteredProduct* Find(std::vector<host::RegisteredProduct>& products,
                                       const std::wstring& code) {
    for (auto& product : products)
      if (product.code == code) return &product;
    return nullptr;
  }

  // The package path of a command line PATCH="path".
  static std::wstring PatchPath(const std::wstring& commandLine) {
    const std::wstring key = L"PATCH=\"";
    const auto start = commandLine.find(key);
    if (start == std::wstring::npos) return {};
    const auto end = commandLine.find(L'"', start + key.size());
    if (end == std::wstring::npos) return {};
    return commandLine.substr(start + key.size(), end - start - key.size());
  }

  std::map<Handle, LibmsiSummaryInfo*> summaries_;
  Handle next_ = 1;
};

}  // namespace

Service& PlatformService() {
  static StandInService service;
  return service;
}

}  // namespace spinstall::installer
