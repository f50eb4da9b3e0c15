// The module whose resources the program carries, stored by the entry point.
#pragma once

#include <windows.h>

namespace spinstall::platform::win32 {

HINSTANCE ModuleInstance();
void SetModuleInstance(HINSTANCE instance);

}  // namespace spinstall::platform::win32
