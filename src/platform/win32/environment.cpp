#include "platform/environment.h"

#include <windows.h>

#include <vector>

#include "platform/win32/system_library.h"

namespace spinstall::platform {

const wchar_t kSeparator = L'\\';
const wchar_t* const kNameStarters = L"\\/:";

std::vector<std::wstring> CommandLineArguments() {
  using CommandLineToArgvFn = LPWSTR*(WINAPI*)(LPCWSTR, int*);
  const auto commandLineToArgv =
      win32::SystemFunction<CommandLineToArgvFn>(L"shell32.dll", "CommandLineToArgvW");
  int count = 0;
  LPWSTR* args = commandLineToArgv ? commandLineToArgv(::GetCommandLineW(), &count) : nullptr;
  if (!args) return {};
  std::vector<std::wstring> result(args, args + count);
  ::LocalFree(args);
  return result;
}

bool GetEnvironmentValue(const std::wstring& name, std::wstring& value) {
  std::vector<wchar_t> buffer(256);
  for (;;) {
    ::SetLastError(ERROR_SUCCESS);
    const DWORD n =
        ::GetEnvironmentVariableW(name.c_str(), buffer.data(), static_cast<DWORD>(buffer.size()));
    if (n == 0) {
      if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return false;
      value.clear();  // set, but empty
      return true;
    }
    if (n < buffer.size()) {
      value.assign(buffer.data(), n);
      return true;
    }
    buffer.resize(n);
  }
}

bool SetEnvironmentValue(const std::wstring& name, const std::wstring& value) {
  return ::SetEnvironmentVariableW(name.c_str(), value.c_str()) != FALSE;
}

std::uint32_t QueryTempPath(std::uint32_t bufferChars, std::wstring& dir) {
  std::vector<wchar_t> buffer(bufferChars ? bufferChars : 1);
  const DWORD n = ::GetTempPathW(bufferChars, buffer.data());
  if (n > 0 && n < bufferChars) dir.assign(buffer.data(), n);
  return n;
}

std::vector<std::wstring> TempPathSources() {
  // GetTempPathW function (fileapi.h): it takes the first of TMP, TEMP,
  // USERPROFILE and the Windows directory that is set, and "does not verify
  // that the path exists".
  std::vector<std::wstring> sources;
  for (const wchar_t* name : {L"TEMP", L"USERPROFILE"}) {
    std::wstring value;
    if (GetEnvironmentValue(name, value) && !value.empty()) sources.push_back(value);
  }
  wchar_t windows[MAX_PATH + 1];
  const UINT n = ::GetWindowsDirectoryW(windows, MAX_PATH + 1);
  if (n > 0 && n <= MAX_PATH) sources.emplace_back(windows, n);
  return sources;
}

PathState QueryPath(const std::wstring& path) {
  if (::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) return PathState::Exists;
  return ::GetLastError() == ERROR_ACCESS_DENIED ? PathState::AccessDenied : PathState::Missing;
}

std::uint32_t QueryFullPath(const std::wstring& path, std::uint32_t bufferChars,
                            std::wstring& full) {
  std::vector<wchar_t> buffer(bufferChars ? bufferChars : 1);
  const DWORD n = ::GetFullPathNameW(path.c_str(), bufferChars, buffer.data(), nullptr);
  if (n > 0 && n < bufferChars) full.assign(buffer.data(), n);
  return n;
}

bool DeleteFileAt(const std::wstring& path) { return ::DeleteFileW(path.c_str()) != FALSE; }

bool SetThreadLocale(std::uint32_t locale) { return ::SetThreadLocale(locale) != FALSE; }

std::uint32_t ThreadLocale() { return ::GetThreadLocale(); }

std::uint16_t UserDefaultLanguage() { return LANGIDFROMLCID(::GetUserDefaultLCID()); }

}  // namespace spinstall::platform
