// The host build's installer service: summary information is read from the
// package file with libmsi, installed products come from the product registry
// file that SPINSTALL_PRODUCTS names (none without it). Its log, once enabled,
// gets one line per configure call.
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iostream>
#include <map>

#include "installer/host/product_registry.h"
#include "installer/host/summary_snapshot.h"
#include "installer/installer_service.h"
#include "installer/text_answer.h"
#include "platform/error_codes.h"
#include "platform/files.h"
#include "platform/host/utf8.h"

namespace spinstall::installer {
namespace {

using platform::host::Narrow;
using platform::host::Widen;

constexpr std::int32_t kStateUnknown = -1;
using namespace summary_information;

// The upgrade version a patch package gives a product: property 5 before ';'.
std::wstring UpgradeVersionOf(const std::string& packagePath) {
  host::SummarySnapshot snapshot;
  if (host::ReadSummarySnapshot(packagePath, snapshot) != host::SnapshotResult::Read) return {};
  const auto rule = snapshot.properties.find(summary_information::kKeywordsProperty);
  if (rule == snapshot.properties.end()) return {};
  return Widen(rule->second.text.substr(0, rule->second.text.find(';')));
}

class StandInService final : public Service {
 public:
  std::uint32_t GetSummaryInformation(Handle database, const std::wstring& path,
                                      std::uint32_t updateCount, Handle& summary) override {
    if (database != 0 || updateCount != 0) return platform::kErrorInvalidParameter;
    host::SummarySnapshot snapshot;
    switch (host::ReadSummarySnapshot(Narrow(path), snapshot)) {
      case host::SnapshotResult::NotOpened:
        return platform::kErrorOpenFailed;
      case host::SnapshotResult::NotAPackage:
        return platform::kErrorInstallPackageInvalid;
      case host::SnapshotResult::Read:
        break;
    }
    summary = next_++;
    summaries_[summary] = std::move(snapshot);
    return platform::kErrorSuccess;
  }

  std::uint32_t SummaryInfoGetProperty(Handle summary, std::uint32_t property,
                                       std::uint32_t& dataType, std::int32_t& integer,
                                       FileTime& fileTime, wchar_t* buffer,
                                       std::uint32_t& count) override {
    const auto found = summaries_.find(summary);
    if (found == summaries_.end()) return platform::kErrorInvalidHandle;
    const auto value = found->second.properties.find(property);
    if (value == found->second.properties.end()) {
      dataType = kVtEmpty;
    } else {
      switch (value->second.type) {
        case host::SummaryValue::Type::Text:
          dataType = kVtLpstr;
          return AnswerText(Widen(value->second.text), buffer, count);
        case host::SummaryValue::Type::Integer:
          dataType = kVtI4;
          integer = static_cast<std::int32_t>(value->second.number);
          break;
        case host::SummaryValue::Type::FileTime:
          dataType = kVtFileTime;
          fileTime.low = static_cast<std::uint32_t>(value->second.number);
          fileTime.high =
              static_cast<std::uint32_t>(static_cast<std::uint64_t>(value->second.number) >> 32);
          break;
      }
    }
    // Not text: the buffer holds the empty text.
    return AnswerText(L"", buffer, count);
  }

  std::uint32_t CloseHandle(Handle handle) override {
    return summaries_.erase(handle) ? platform::kErrorSuccess : platform::kErrorInvalidHandle;
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
    if (!value) return platform::kErrorUnknownProperty;
    return AnswerText(*value, buffer, count);
  }

  std::uint32_t ConfigureProductEx(const std::wstring& productCode, int installLevel,
                                   std::int32_t installState,
                                   const std::wstring& commandLine) override {
    const std::uint32_t result = Configure(productCode, commandLine);
    if (!logPath_.empty()) {
      std::ofstream(Narrow(logPath_), std::ios::app)
          << "MsiConfigureProductExW " << Narrow(productCode) << " level " << installLevel
          << " state " << installState << " ui level " << uiLevel_ << " command line "
          << Narrow(commandLine) << " result " << result << "\n";
    }
    return result;
  }

  std::uint32_t EnableLog(std::uint32_t, const std::wstring& path, std::uint32_t) override {
    logPath_ = path;
    return platform::kErrorSuccess;
  }

  std::uint32_t SetInternalUI(std::uint32_t level) override {
    const std::uint32_t previous = uiLevel_;
    uiLevel_ = level;
    return previous;
  }

 private:
  static std::uint32_t Configure(const std::wstring& productCode, const std::wstring& commandLine) {
    auto products = LoadProducts();
    auto* product = Find(products, productCode);
    if (!product) return platform::kErrorUnknownProduct;
    if (product->configureBusy > 0) {
      // Another installation in progress: this call changes nothing else.
      --product->configureBusy;
      return SaveProducts(products) ? platform::kErrorInstallAlreadyRunning
                                    : platform::kErrorInstallFailure;
    }
    const std::uint32_t result = product->configureResult;
    if (AppliedSuccessfully(result)) {
      // Applied: the product now has the patch's upgrade version, as on a
      // real machine, so that a second run finds it up to date.
      // A patch that names no upgrade version leaves the version as it was.
      product->SetProperty(L"CommandLine", commandLine);
      const std::wstring patch = PatchPath(commandLine);
      const std::wstring upgrade = patch.empty() ? L"" : UpgradeVersionOf(Narrow(patch));
      if (!upgrade.empty()) product->SetProperty(L"VersionString", upgrade);
      if (!SaveProducts(products)) return platform::kErrorInstallFailure;
    }
    return result;
  }

  static std::string RegistryPath() {
    const char* path = std::getenv("SPINSTALL_PRODUCTS");
    return path ? path : "";
  }

  static std::vector<host::RegisteredProduct> LoadProducts() {
    const std::string path = RegistryPath();
    if (path.empty()) return {};
    // Never blocks on a FIFO; a device or a folder is no registry.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return {};
    std::string text;
    struct stat st;
    const bool regular = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode);
    char piece[65536];
    ssize_t n = 0;
    while (regular && (n = ::read(fd, piece, sizeof piece)) > 0)
      text.append(piece, static_cast<std::size_t>(n));
    ::close(fd);
    std::vector<host::RegisteredProduct> products;
    std::string error = regular ? "" : "not a regular file";
    if (!regular || !host::ParseProductRegistry(text, products, error)) {
      std::cerr << "spinstall: product registry " << path << ": " << error
                << " (no products installed)\n";
      return {};
    }
    return products;
  }

  // The whole registry or nothing: a new file takes the old one's place.
  static bool SaveProducts(const std::vector<host::RegisteredProduct>& products) {
    const std::string text = FormatProductRegistry(products);
    const auto target = platform::ResolveOutputTarget(Widen(RegistryPath()));
    return target.kind == platform::OutputTarget::Kind::Replace &&
           platform::ReplaceWhole(target.path, text.data(), text.size());
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

  std::map<Handle, host::SummarySnapshot> summaries_;
  Handle next_ = 1;
  std::wstring logPath_;
  std::uint32_t uiLevel_ = 1;  // INSTALLUILEVEL_DEFAULT until the program sets one
};

}  // namespace

Service& PlatformService() {
  static StandInService service;
  return service;
}

}  // namespace spinstall::installer
