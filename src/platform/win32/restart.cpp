// The shutdown privilege is enabled in the process token (AdjustTokenPrivileges
// reports success even when the token lacks it: ERROR_NOT_ALL_ASSIGNED says
// so), then InitiateShutdownW restarts the local machine. It serves every
// caller: ExitWindowsEx may succeed without restarting anything when the caller
// is not the interactive user, as under a deployment service. advapi32 is
// loaded from System32 like every other DLL beyond KERNEL32.
#include "platform/restart.h"

#include <windows.h>
// The shutdown reason codes (SHTDN_REASON_*).
#include <reason.h>

#include "platform/win32/system_library.h"

namespace spinstall::platform {
namespace {

static_assert(kRestartReasonPlannedInstallation ==
              (SHTDN_REASON_FLAG_PLANNED | SHTDN_REASON_MAJOR_APPLICATION |
               SHTDN_REASON_MINOR_INSTALLATION));

using OpenProcessTokenFn = BOOL(WINAPI*)(HANDLE, DWORD, HANDLE*);
using LookupPrivilegeValueFn = BOOL(WINAPI*)(LPCWSTR, LPCWSTR, LUID*);
using AdjustTokenPrivilegesFn = BOOL(WINAPI*)(HANDLE, BOOL, TOKEN_PRIVILEGES*, DWORD,
                                              TOKEN_PRIVILEGES*, DWORD*);
using InitiateShutdownFn = DWORD(WINAPI*)(LPWSTR, LPWSTR, DWORD, DWORD, DWORD);

class Token {
 public:
  Token() = default;
  Token(const Token&) = delete;
  Token& operator=(const Token&) = delete;
  ~Token() {
    if (handle_) ::CloseHandle(handle_);
  }
  HANDLE* out() { return &handle_; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_ = nullptr;
};

DWORD EnableShutdownPrivilege(HMODULE advapi) {
  const auto openToken = win32::Resolve<OpenProcessTokenFn>(advapi, "OpenProcessToken");
  const auto lookup = win32::Resolve<LookupPrivilegeValueFn>(advapi, "LookupPrivilegeValueW");
  const auto adjust = win32::Resolve<AdjustTokenPrivilegesFn>(advapi, "AdjustTokenPrivileges");
  if (!openToken || !lookup || !adjust) return ERROR_PROC_NOT_FOUND;
  Token token;
  TOKEN_PRIVILEGES privileges = {};
  privileges.PrivilegeCount = 1;
  privileges.Privileges[0].Attributes = SE_PRIVILEGE_ENABLED;
  if (openToken(::GetCurrentProcess(), TOKEN_ADJUST_PRIVILEGES | TOKEN_QUERY, token.out()) &&
      lookup(nullptr, SE_SHUTDOWN_NAME, &privileges.Privileges[0].Luid))
    adjust(token.get(), FALSE, &privileges, 0, nullptr, nullptr);
  // A failed step leaves its code; the adjustment leaves 0 when the privilege
  // is enabled and ERROR_NOT_ALL_ASSIGNED when the token does not hold it.
  return ::GetLastError();
}

}  // namespace

std::uint32_t RequestRestart(bool forceOtherSessions) {
  const HMODULE advapi = win32::LoadSystemLibrary(L"advapi32.dll");
  if (!advapi) return ::GetLastError();
  if (const DWORD result = EnableShutdownPrivilege(advapi); result != ERROR_SUCCESS) return result;
  const auto initiate = win32::Resolve<InitiateShutdownFn>(advapi, "InitiateShutdownW");
  if (!initiate) return ERROR_PROC_NOT_FOUND;
  const DWORD flags = SHUTDOWN_RESTART | (forceOtherSessions ? SHUTDOWN_FORCE_OTHERS : 0);
  return initiate(nullptr, nullptr, 0, flags, kRestartReasonPlannedInstallation);
}

}  // namespace spinstall::platform
