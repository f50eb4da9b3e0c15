// Windows' own DLLs beyond KERNEL32, loaded at run time from the system folder
// only: never from the program's folder or the current directory, where a
// planted DLL of the same name may wait. The program imports nothing else
// statically, so nothing is loaded before the entry point can restrict the
// search. A module loaded here stays loaded until the process ends.
#pragma once

#include <windows.h>

namespace spinstall::platform::win32 {

// The DLL NAME from System32, or null.
inline HMODULE LoadSystemLibrary(const wchar_t* name) {
  return ::LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
}

// The entry point NAME of MODULE as a function of type Fn, or null.
template <typename Fn>
Fn Resolve(HMODULE module, const char* name) {
  return module ? reinterpret_cast<Fn>(reinterpret_cast<void*>(::GetProcAddress(module, name)))
                : nullptr;
}

// The entry point NAME of the system DLL LIBRARY, or null.
template <typename Fn>
Fn SystemFunction(const wchar_t* library, const char* name) {
  return Resolve<Fn>(LoadSystemLibrary(library), name);
}

}  // namespace spinstall::platform::win32
