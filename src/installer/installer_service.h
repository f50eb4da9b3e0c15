// The eight Windows Installer operations the program uses. The interface takes
// plain 32-bit codes and wide strings, so it needs no Windows header; every
// result code is passed on exactly as the service gives it.
#pragma once

#include <cstdint>
#include <string>

#include "installer/summary_information.h"
#include "platform/error_codes.h"

namespace spinstall::installer {

using Handle = std::uint32_t;  // 0 means none

// Product states that count as installed.
inline constexpr std::int32_t kStateAdvertised = 1;
inline constexpr std::int32_t kStateDefault = 5;

inline constexpr int kInstallLevelDefault = 0;
inline constexpr std::int32_t kInstallStateDefault = 5;

// Installer logging (EnableLog): every kind of message, verbose; appended to
// the file, which is flushed after each line.
inline constexpr std::uint32_t kLogModeVerbose = 0x1FDF;
inline constexpr std::uint32_t kLogAttributeAppend = 0x1;
inline constexpr std::uint32_t kLogAttributeFlushEachLine = 0x2;

// The installer's own user interface during a configure call (SetInternalUI).
inline constexpr std::uint32_t kUiLevelNone = 2;
inline constexpr std::uint32_t kUiLevelBasic = 3;
inline constexpr std::uint32_t kUiLevelProgressOnly = 0x40;

// True for the ConfigureProductEx results that mean the patch is applied: a
// restart still to come does not undo it.
inline bool AppliedSuccessfully(std::uint32_t result) {
  return result == platform::kErrorSuccess || result == platform::kErrorSuccessRebootRequired ||
         result == platform::kErrorSuccessRebootInitiated;
}

struct FileTime {
  std::uint32_t low = 0;
  std::uint32_t high = 0;
};

class Service {
 public:
  virtual ~Service() = default;

  // MsiGetSummaryInformationW: opens the summary information of the package
  // at `path` (database handle 0: open by path).
  virtual std::uint32_t GetSummaryInformation(Handle database, const std::wstring& path,
                                              std::uint32_t updateCount, Handle& summary) = 0;
  // MsiSummaryInfoGetPropertyW: `count` is the buffer's size in characters on
  // entry; on return the value's length without terminator. 234 when the
  // buffer is too small.
  virtual std::uint32_t SummaryInfoGetProperty(Handle summary, std::uint32_t property,
                                               std::uint32_t& dataType, std::int32_t& integer,
                                               FileTime& fileTime, wchar_t* buffer,
                                               std::uint32_t& count) = 0;
  // MsiCloseHandle.
  virtual std::uint32_t CloseHandle(Handle handle) = 0;
  // MsiQueryProductStateW.
  virtual std::int32_t QueryProductState(const std::wstring& productCode) = 0;
  // MsiGetProductInfoW: `count` as for SummaryInfoGetProperty.
  virtual std::uint32_t GetProductInfo(const std::wstring& productCode,
                                       const std::wstring& property, wchar_t* buffer,
                                       std::uint32_t& count) = 0;
  // MsiConfigureProductExW.
  virtual std::uint32_t ConfigureProductEx(const std::wstring& productCode, int installLevel,
                                           std::int32_t installState,
                                           const std::wstring& commandLine) = 0;
  // MsiEnableLogW: the installer's own log of the calls that follow.
  virtual std::uint32_t EnableLog(std::uint32_t logMode, const std::wstring& path,
                                  std::uint32_t attributes) = 0;
  // MsiSetInternalUI, with no owner window: returns the previous level (0 when
  // the level was not changed).
  virtual std::uint32_t SetInternalUI(std::uint32_t level) = 0;
};

// The service the program talks to: the platform's own unless a test put
// another one in place.
Service& ActiveService();
// Puts `service` in place of the platform's own; nullptr restores it.
void SetActiveService(Service* service);

// The platform's implementation (msi.dll on Windows, the stand-in on the host).
Service& PlatformService();

}  // namespace spinstall::installer
