#include "platform/last_error.h"

#include <windows.h>

#include "platform/win32/module.h"

namespace spinstall::platform {

std::uint32_t LastError() { return ::GetLastError(); }
void SetLastError(std::uint32_t code) { ::SetLastError(code); }

namespace win32 {
namespace {
HINSTANCE g_instance = nullptr;
}
HINSTANCE ModuleInstance() { return g_instance; }
void SetModuleInstance(HINSTANCE instance) { g_instance = instance; }
}  // namespace win32

}  // namespace spinstall::platform
