// The host build's surroundings: POSIX files and environment. The temporary
// directory is TMPDIR or "/tmp/", the separator '/'.
#include "platform/environment.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>

#include "platform/error_codes.h"
#include "platform/host/host_state.h"
#include "platform/host/utf8.h"
#include "platform/last_error.h"

extern char** environ;

namespace spinstall::platform {
namespace {

std::vector<std::wstring> g_arguments;
thread_local std::uint32_t g_threadLocale = 0;  // 0: not set, the user's default

std::uint32_t Fit(const std::wstring& value, std::uint32_t bufferChars, std::wstring& out) {
  const auto length = static_cast<std::uint32_t>(value.size());
  if (length + 1 > bufferChars) return length + 1;  // the size needed, terminator included
  out = value;
  return length;
}

char AsciiLower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

namespace host {
void SetArguments(std::vector<std::wstring> args) { g_arguments = std::move(args); }
}  // namespace host

const wchar_t kSeparator = L'/';
const wchar_t* const kNameStarters = L"/";

std::vector<std::wstring> CommandLineArguments() { return g_arguments; }

bool GetEnvironmentValue(const std::wstring& name, std::wstring& value) {
  const std::string wanted = host::Narrow(name);
  for (char** entry = environ; entry && *entry; ++entry) {
    const std::string_view text(*entry);
    const auto eq = text.find('=');
    if (eq != wanted.size()) continue;
    bool same = true;
    for (std::size_t i = 0; i < eq && same; ++i)
      same = AsciiLower(text[i]) == AsciiLower(wanted[i]);
    if (same) {
      value = host::Widen(text.substr(eq + 1));
      return true;
    }
  }
  return false;
}

bool SetEnvironmentValue(const std::wstring& name, const std::wstring& value) {
  if (::setenv(host::Narrow(name).c_str(), host::Narrow(value).c_str(), 1) == 0) return true;
  host::SetLastErrorFromErrno();
  return false;
}

std::uint32_t QueryTempPath(std::uint32_t bufferChars, std::wstring& dir) {
  const char* tmpdir = std::getenv("TMPDIR");
  std::wstring path = tmpdir && *tmpdir ? host::Widen(tmpdir) : L"/tmp/";
  if (path.back() != L'/') path += L'/';
  return Fit(path, bufferChars, dir);
}

std::vector<std::wstring> TempPathSources() {
  std::vector<std::wstring> sources;
  const char* tmpdir = std::getenv("TMPDIR");
  if (tmpdir && *tmpdir) sources.push_back(host::Widen(tmpdir));
  sources.emplace_back(L"/tmp/");
  return sources;
}

PathState QueryPath(const std::wstring& path) {
  struct stat st;
  if (::lstat(host::Narrow(path).c_str(), &st) == 0) return PathState::Exists;
  host::SetLastErrorFromErrno();
  return errno == EACCES ? PathState::AccessDenied : PathState::Missing;
}

std::uint32_t QueryFullPath(const std::wstring& path, std::uint32_t bufferChars,
                            std::wstring& full) {
  if (path.empty()) {
    SetLastError(kErrorInvalidParameter);
    return 0;
  }
  std::error_code error;
  const auto absolute = std::filesystem::absolute(host::Narrow(path), error);
  if (error) {
    host::SetLastErrorFromErrno();
    return 0;
  }
  return Fit(host::Widen(absolute.lexically_normal().string()), bufferChars, full);
}

bool DeleteFileAt(const std::wstring& path) {
  if (::unlink(host::Narrow(path).c_str()) == 0) return true;
  host::SetLastErrorFromErrno();
  return false;
}

bool SetThreadLocale(std::uint32_t locale) {
  if (locale == kLocaleUserDefault) locale = UserDefaultLanguage();
  // As on Windows, a locale without a language is refused and changes nothing.
  if ((locale & 0x3FF) == 0) return false;
  g_threadLocale = locale;
  return true;
}

std::uint32_t ThreadLocale() { return g_threadLocale ? g_threadLocale : UserDefaultLanguage(); }

}  // namespace spinstall::platform
