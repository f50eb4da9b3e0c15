#include "package/temporary_name.h"

#include <algorithm>

#include "platform/environment.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"

namespace spinstall::package {
namespace {

constexpr std::size_t kMaxPath = 260;
constexpr std::size_t kNameReserve = 12;  // separator, up to ten digits, terminator
constexpr std::uint32_t kMaxTries = 32767;

std::uint32_t g_counter = 1;

// A directory qualifies only when its query succeeds: one we may not look at
// is passed over, unlike a candidate name, which then counts as taken.
bool Exists(const std::wstring& path) {
  return platform::QueryPath(path) == platform::PathState::Exists;
}

std::wstring ChooseDirectory(const std::wstring& directory) {
  std::wstring tmp;
  if (platform::GetEnvironmentValue(L"TMP", tmp)) {
    if (Exists(tmp)) return tmp;
    if (tmp.find(L'"') != std::wstring::npos) {
      tmp.erase(std::remove(tmp.begin(), tmp.end(), L'"'), tmp.end());
      if (Exists(tmp)) return tmp;
    }
  }
  if (Exists(directory)) return directory;
  if (Exists(platform::kRootDirectory)) return platform::kRootDirectory;
  return L".";
}

}  // namespace

std::optional<std::wstring> MakeTemporaryName(const std::wstring& directory,
                                              const std::wstring& prefix, PathProbe probe) {
  const std::wstring dir = ChooseDirectory(directory);
  if (dir.size() + prefix.size() + kNameReserve > kMaxPath) {
    platform::SetLastError(platform::kErrorFilenameTooLong);
    return std::nullopt;
  }

  std::wstring base = dir;
  if (base.empty() || (base.back() != L'\\' && base.back() != L'/')) base += platform::kSeparator;
  base += prefix;

  const std::uint32_t start = g_counter;
  for (;;) {
    ++g_counter;
    if (g_counter - start > kMaxTries) {
      platform::SetLastError(platform::kErrorFileExists);
      return std::nullopt;
    }
    std::wstring candidate = base + std::to_wstring(g_counter);
    // An existing name, or one we may not look at, is taken.
    if (probe(candidate) == platform::PathState::Missing) return candidate;
  }
}

std::uint32_t TemporaryNameCounter() { return g_counter; }

void ResetTemporaryNameCounter() { g_counter = 1; }

}  // namespace spinstall::package
