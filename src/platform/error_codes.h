// Windows error and result codes that the program produces or tests for. The
// host build produces the same values, so both builds report alike.
#pragma once

#include <cstdint>

namespace spinstall::platform {

inline constexpr std::uint32_t kErrorSuccess = 0;
inline constexpr std::uint32_t kErrorFileNotFound = 2;
inline constexpr std::uint32_t kErrorPathNotFound = 3;
inline constexpr std::uint32_t kErrorAccessDenied = 5;
inline constexpr std::uint32_t kErrorInvalidHandle = 6;
inline constexpr std::uint32_t kErrorNotEnoughMemory = 8;
inline constexpr std::uint32_t kErrorWriteProtect = 19;
inline constexpr std::uint32_t kErrorGenFailure = 31;
inline constexpr std::uint32_t kErrorSharingViolation = 32;
inline constexpr std::uint32_t kErrorFileExists = 80;
inline constexpr std::uint32_t kErrorInvalidParameter = 87;
inline constexpr std::uint32_t kErrorOpenFailed = 110;
inline constexpr std::uint32_t kErrorDiskFull = 112;
inline constexpr std::uint32_t kErrorFilenameTooLong = 206;
inline constexpr std::uint32_t kErrorMoreData = 234;
// ReplaceFileW could not rename the new file: the old one is gone.
inline constexpr std::uint32_t kErrorUnableToMoveReplacement = 1176;
inline constexpr std::uint32_t kErrorInstallServiceFailure = 1601;
inline constexpr std::uint32_t kErrorInstallFailure = 1603;
inline constexpr std::uint32_t kErrorUnknownProduct = 1605;
inline constexpr std::uint32_t kErrorUnknownProperty = 1608;
// Another installation is in progress; the installer takes one at a time.
inline constexpr std::uint32_t kErrorInstallAlreadyRunning = 1618;
inline constexpr std::uint32_t kErrorInstallPackageInvalid = 1620;
inline constexpr std::uint32_t kErrorSuccessRebootInitiated = 1641;
inline constexpr std::uint32_t kErrorPatchTargetNotFound = 1642;
inline constexpr std::uint32_t kErrorResourceNameNotFound = 1814;
inline constexpr std::uint32_t kErrorSuccessRebootRequired = 3010;
// Set by the summary reader when the version rule has no ';' after its first
// character.
inline constexpr std::uint32_t kErrorBadVersionRule = 4316;

}  // namespace spinstall::platform
