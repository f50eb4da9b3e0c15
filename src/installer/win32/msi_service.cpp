// The installer service of Windows: msi.dll, loaded from the system directory
// only (never from the program's folder or the current directory) and its eight
// entry points resolved once, by name.
#include <windows.h>

#include "installer/installer_service.h"
#include "platform/error_codes.h"
#include "platform/win32/system_library.h"

namespace spinstall::installer {
namespace {

using platform::win32::Resolve;

using GetSummaryInformationFn = UINT(WINAPI*)(DWORD, LPCWSTR, UINT, DWORD*);
using SummaryInfoGetPropertyFn = UINT(WINAPI*)(DWORD, UINT, UINT*, INT*, FILETIME*, LPWSTR, DWORD*);
using CloseHandleFn = UINT(WINAPI*)(DWORD);
using QueryProductStateFn = INT(WINAPI*)(LPCWSTR);
using GetProductInfoFn = UINT(WINAPI*)(LPCWSTR, LPCWSTR, LPWSTR, DWORD*);
using ConfigureProductExFn = UINT(WINAPI*)(LPCWSTR, int, INT, LPCWSTR);
using EnableLogFn = UINT(WINAPI*)(DWORD, LPCWSTR, DWORD);
using SetInternalUIFn = INT(WINAPI*)(INT, HWND*);

class MsiService final : public Service {
 public:
  MsiService()
      : module_(platform::win32::LoadSystemLibrary(L"msi.dll")),
        getSummaryInformation_(
            Resolve<GetSummaryInformationFn>(module_, "MsiGetSummaryInformationW")),
        summaryInfoGetProperty_(
            Resolve<SummaryInfoGetPropertyFn>(module_, "MsiSummaryInfoGetPropertyW")),
        closeHandle_(Resolve<CloseHandleFn>(module_, "MsiCloseHandle")),
        queryProductState_(Resolve<QueryProductStateFn>(module_, "MsiQueryProductStateW")),
        getProductInfo_(Resolve<GetProductInfoFn>(module_, "MsiGetProductInfoW")),
        configureProductEx_(Resolve<ConfigureProductExFn>(module_, "MsiConfigureProductExW")),
        enableLog_(Resolve<EnableLogFn>(module_, "MsiEnableLogW")),
        setInternalUI_(Resolve<SetInternalUIFn>(module_, "MsiSetInternalUI")) {}

  std::uint32_t GetSummaryInformation(Handle database, const std::wstring& path,
                                      std::uint32_t updateCount, Handle& summary) override {
    if (!getSummaryInformation_) return platform::kErrorInstallServiceFailure;
    DWORD handle = 0;
    const UINT result = getSummaryInformation_(database, path.c_str(), updateCount, &handle);
    summary = handle;
    return result;
  }

  std::uint32_t SummaryInfoGetProperty(Handle summary, std::uint32_t property,
                                       std::uint32_t& dataType, std::int32_t& integer,
                                       FileTime& fileTime, wchar_t* buffer,
                                       std::uint32_t& count) override {
    if (!summaryInfoGetProperty_) return platform::kErrorInstallServiceFailure;
    UINT type = 0;
    INT value = 0;
    FILETIME time = {};
    DWORD chars = count;
    const UINT result =
        summaryInfoGetProperty_(summary, property, &type, &value, &time, buffer, &chars);
    dataType = type;
    integer = value;
    fileTime = {time.dwLowDateTime, time.dwHighDateTime};
    count = chars;
    return result;
  }

  std::uint32_t CloseHandle(Handle handle) override {
    return closeHandle_ ? closeHandle_(handle) : platform::kErrorInstallServiceFailure;
  }

  std::int32_t QueryProductState(const std::wstring& productCode) override {
    return queryProductState_ ? queryProductState_(productCode.c_str()) : -1;
  }

  std::uint32_t GetProductInfo(const std::wstring& productCode, const std::wstring& property,
                               wchar_t* buffer, std::uint32_t& count) override {
    if (!getProductInfo_) return platform::kErrorInstallServiceFailure;
    DWORD chars = count;
    const UINT result = getProductInfo_(productCode.c_str(), property.c_str(), buffer, &chars);
    count = chars;
    return result;
  }

  std::uint32_t ConfigureProductEx(const std::wstring& productCode, int installLevel,
                                   std::int32_t installState,
                                   const std::wstring& commandLine) override {
    if (!configureProductEx_) return platform::kErrorInstallServiceFailure;
    return configureProductEx_(productCode.c_str(), installLevel, installState,
                               commandLine.c_str());
  }

  std::uint32_t EnableLog(std::uint32_t logMode, const std::wstring& path,
                          std::uint32_t attributes) override {
    return enableLog_ ? enableLog_(logMode, path.c_str(), attributes)
                      : platform::kErrorInstallServiceFailure;
  }

  std::uint32_t SetInternalUI(std::uint32_t level) override {
    return setInternalUI_
               ? static_cast<std::uint32_t>(setInternalUI_(static_cast<INT>(level), nullptr))
               : 0;
  }

 private:
  HMODULE module_;
  GetSummaryInformationFn getSummaryInformation_;
  SummaryInfoGetPropertyFn summaryInfoGetProperty_;
  CloseHandleFn closeHandle_;
  QueryProductStateFn queryProductState_;
  GetProductInfoFn getProductInfo_;
  ConfigureProductExFn configureProductEx_;
  EnableLogFn enableLog_;
  SetInternalUIFn setInternalUI_;
};

}  // namespace

Service& PlatformService() {
  static MsiService service;
  return service;
}

}  // namespace spinstall::installer
