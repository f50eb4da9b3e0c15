#include "package/summary_reader.h"

#include <algorithm>
#include <memory>

#include "platform/environment.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"

namespace spinstall::package {
namespace {

constexpr std::uint32_t kFullPathChars = 260;
constexpr std::uint32_t kFirstReadChars = 2048;

// Closes a summary handle exactly once, on every path out of a read.
class SummaryHandle {
 public:
  explicit SummaryHandle(installer::Handle handle) : handle_(handle) {}
  SummaryHandle(const SummaryHandle&) = delete;
  SummaryHandle& operator=(const SummaryHandle&) = delete;
  ~SummaryHandle() {
    if (handle_ != 0) installer::ActiveService().CloseHandle(handle_);
  }
  installer::Handle get() const { return handle_; }

 private:
  installer::Handle handle_;
};

std::uint32_t GetProperty(installer::Handle handle, std::uint32_t property, wchar_t* buffer,
                          std::uint32_t& count) {
  std::uint32_t dataType = 0;
  std::int32_t integer = 0;
  installer::FileTime fileTime;
  return installer::ActiveService().SummaryInfoGetProperty(handle, property, dataType, integer,
                                                           fileTime, buffer, count);
}

// One property's text; false when the package or the property cannot be read.
bool ReadProperty(const std::wstring& path, std::uint32_t property, std::wstring& value) {
  SummaryHandle summary(OpenPackageSummary(path));
  if (summary.get() == 0) return false;

  std::uint32_t capacity = kFirstReadChars;
  std::uint32_t count = capacity;
  auto buffer = std::make_unique<wchar_t[]>(count);
  auto result = GetProperty(summary.get(), property, buffer.get(), count);
  if (result == platform::kErrorMoreData) {
    // One retry with exactly the reported length plus the terminator.
    capacity = count + 1;
    count = capacity;
    buffer = std::make_unique<wchar_t[]>(capacity);
    result = GetProperty(summary.get(), property, buffer.get(), count);
  }
  if (result != 0) {
    platform::SetLastError(result);
    return false;
  }
  // The text up to its terminator, never past the buffer.
  value.assign(buffer.get(), std::find(buffer.get(), buffer.get() + capacity, L'\0'));
  return true;
}

}  // namespace

installer::Handle OpenPackageSummary(std::wstring path) {
  std::wstring full;
  const auto length = platform::QueryFullPath(path, kFullPathChars, full);
  if (length == 0 || length >= kFullPathChars) {
    // A failed query sets its own error; a path that does not fit has none.
    if (length != 0) platform::SetLastError(platform::kErrorFilenameTooLong);
    return 0;
  }
  installer::Handle handle = 0;
  // The service's answer is what a failure shows.
  const std::uint32_t result = installer::ActiveService().GetSummaryInformation(0, full, 0, handle);
  if (result == 0) return handle;
  platform::SetLastError(result);
  return 0;
}

bool ReadTargetList(std::wstring path, std::wstring& targets) {
  std::wstring value;
  if (!ReadProperty(path, summary_information::kTemplateProperty, value)) return false;
  targets = std::move(value);
  return true;
}

bool ReadPatchCode(std::wstring path, std::wstring& patchCode) {
  return ReadProperty(path, summary_information::kRevisionProperty, patchCode);
}

bool ReadVersionRule(std::wstring path, std::wstring& upgradeVersion,
                     std::wstring& candidateVersions) {
  std::wstring value;
  if (!ReadProperty(path, summary_information::kKeywordsProperty, value)) return false;
  const auto separator = value.find(L';');
  if (separator == std::wstring::npos || separator == 0) {
    platform::SetLastError(platform::kErrorBadVersionRule);
    return false;
  }
  upgradeVersion = value.substr(0, separator);
  candidateVersions = value.substr(separator + 1);
  return true;
}

}  // namespace spinstall::package
