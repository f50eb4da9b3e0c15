#include "package/temporary_name.h"

#include <algorithm>
#include <vector>

#include "log/run_log.h"
#include "platform/environment.h"
#include "platform/error_codes.h"
#include "platform/last_error.h"

namespace spinstall::package {
namespace {

constexpr std::size_t kMaxPath = 260;
constexpr std::size_t kNameReserve = 12;  // separator, up to ten digits, terminator
constexpr std::uint32_t kMaxTries = 32767;

std::uint32_t g_counter = 1;

}  // namespace

std::wstring ChooseTemporaryDirectory(const std::wstring& directory, PathProbe probe) {
  std::vector<std::wstring> candidates;
  std::wstring tmp;
  if (platform::GetEnvironmentValue(L"TMP", tmp)) {
    candidates.push_back(tmp);
    if (tmp.find(L'"') != std::wstring::npos) {
      tmp.erase(std::remove(tmp.begin(), tmp.end(), L'"'), tmp.end());
      candidates.push_back(tmp);
    }
  }
  candidates.push_back(directory);
  for (auto& source : platform::TempPathSources()) candidates.push_back(std::move(source));

  // A directory qualifies only when its query succeeds: one we may not look
  // at is passed over, unlike a candidate name, which then counts as taken.
  std::wstring tried;
  for (const auto& candidate : candidates) {
    if (probe(candidate) == platform::PathState::Exists) return candidate;
    tried += (tried.empty() ? L"\"" : L", \"") + candidate + L"\"";
  }
  log::Line(L"no temporary folder: none of " + tried + L" exists");
  platform::SetLastError(platform::kErrorPathNotFound);
  return {};
}

void MendTmp(const std::wstring& temporaryFile) {
  std::wstring tmp;
  if (!platform::GetEnvironmentValue(L"TMP", tmp) ||
      platform::QueryPath(tmp) == platform::PathState::Exists)
    return;
  const auto cut = temporaryFile.find_last_of(platform::kNameStarters);
  if (cut == std::wstring::npos) return;
  const std::wstring folder = temporaryFile.substr(0, cut + 1);
  const std::uint32_t error = platform::LastError();
  if (platform::SetEnvironmentValue(L"TMP", folder))
    log::Line(L"TMP \"" + tmp + L"\" names nothing that exists: set to \"" + folder +
              L"\" for the installer");
  platform::SetLastError(error);
}

std::wstring WithSeparator(std::wstring directory) {
  if (directory.back() != L'\\' && directory.back() != L'/') directory += platform::kSeparator;
  return directory;
}

std::optional<std::wstring> MakeTemporaryName(const std::wstring& directory,
                                              const std::wstring& prefix, PathProbe probe) {
  const std::wstring dir = ChooseTemporaryDirectory(directory);
  if (dir.empty()) return std::nullopt;
  if (dir.size() + prefix.size() + kNameReserve > kMaxPath) {
    platform::SetLastError(platform::kErrorFilenameTooLong);
    return std::nullopt;
  }

  const std::wstring base = WithSeparator(dir) + prefix;

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
