// An installer service whose answers a test sets, for faults the host
// stand-in cannot produce. It counts what it was asked.
#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "installer/installer_service.h"

namespace testsupport {

class FakeService : public spinstall::installer::Service {
 public:
  struct Product {
    std::int32_t state = 5;
    std::map<std::wstring, std::wstring> info;  // ProductName, Language, VersionString
    std::uint32_t configureResult = 0;
  };
  struct ConfigureCall {
    std::wstring productCode;
    int installLevel;
    std::int32_t installState;
    std::wstring commandLine;
  };

  // Summary properties by id, for every path that opens.
  std::map<std::uint32_t, std::wstring> properties;
  // Paths that fail to open (with openFailure), and paths seen by opens.
  std::vector<std::wstring> unopenable;
  std::uint32_t openFailure = 110;
  std::vector<std::wstring> openedPaths;
  // Forced property-read results, consumed one per call before the real answer.
  std::vector<std::uint32_t> forcedPropertyResults;
  // Forced "needed length" to report with a forced 234.
  std::uint32_t forcedNeededLength = 0;
  // Properties whose every read fails, with the result given.
  std::map<std::uint32_t, std::uint32_t> propertyFailures;

  std::map<std::wstring, Product> products;
  std::vector<std::wstring> stateQueries;
  std::vector<std::pair<std::wstring, std::wstring>> infoQueries;  // code, property
  std::vector<ConfigureCall> configureCalls;
  // EnableLog's paths and SetInternalUI's levels, in call order; each call's
  // place among the configure calls is the count of them made before it.
  struct Setting {
    std::size_t configureCallsBefore;
    std::wstring logPath;
    std::uint32_t uiLevel;
  };
  std::vector<Setting> settings;

  int opens = 0;
  int closes = 0;
  int propertyCalls = 0;
  std::vector<std::uint32_t> propertyBufferSizes;
  int OpenHandles() const { return opens - closes; }

  // Puts `code` at the end of the target list (property 7), installed with
  // these properties unless `state` says otherwise.
  void AddTargetProduct(const std::wstring& code, const std::wstring& name,
                        const std::wstring& language, const std::wstring& version,
                        std::uint32_t configureResult = 0, std::int32_t state = 5);

  std::uint32_t GetSummaryInformation(spinstall::installer::Handle database,
                                      const std::wstring& path, std::uint32_t updateCount,
                                      spinstall::installer::Handle& summary) override;
  std::uint32_t SummaryInfoGetProperty(spinstall::installer::Handle summary, std::uint32_t property,
                                       std::uint32_t& dataType, std::int32_t& integer,
                                       spinstall::installer::FileTime& fileTime, wchar_t* buffer,
                                       std::uint32_t& count) override;
  std::uint32_t CloseHandle(spinstall::installer::Handle handle) override;
  std::int32_t QueryProductState(const std::wstring& productCode) override;
  std::uint32_t GetProductInfo(const std::wstring& productCode, const std::wstring& property,
                               wchar_t* buffer, std::uint32_t& count) override;
  std::uint32_t ConfigureProductEx(const std::wstring& productCode, int installLevel,
                                   std::int32_t installState,
                                   const std::wstring& commandLine) override;
  std::uint32_t EnableLog(std::uint32_t logMode, const std::wstring& path,
                          std::uint32_t attributes) override;
  std::uint32_t SetInternalUI(std::uint32_t level) override;

 private:
  std::map<spinstall::installer::Handle, bool> live_;
  spinstall::installer::Handle next_ = 100;
};

// Puts a service in place for the lifetime of the guard.
class ServiceGuard {
 public:
  explicit ServiceGuard(spinstall::installer::Service& service);
  ServiceGuard(const ServiceGuard&) = delete;
  ServiceGuard& operator=(const ServiceGuard&) = delete;
  ~ServiceGuard();
};

}  // namespace testsupport
