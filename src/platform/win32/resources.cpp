#include "platform/resources.h"

#include <windows.h>

#include "platform/win32/module.h"

namespace spinstall::platform {

ResourceLookup FindResourceBytes(const std::wstring& type, const std::wstring& name,
                                 ResourceBytes& out) {
  const HINSTANCE module = win32::ModuleInstance();
  HRSRC info = ::FindResourceW(module, name.c_str(), type.c_str());
  if (!info) return ResourceLookup::NotFound;
  const DWORD size = ::SizeofResource(module, info);
  HGLOBAL loaded = size ? ::LoadResource(module, info) : nullptr;
  const void* data = loaded ? ::LockResource(loaded) : nullptr;
  if (!data) {
    // An empty resource fails without a system error: say so, as the host does.
    if (size == 0) ::SetLastError(ERROR_INVALID_PARAMETER);
    return ResourceLookup::Unloadable;
  }
  out.data = static_cast<const unsigned char*>(data);
  out.size = size;
  return ResourceLookup::Found;
}

bool LoadStringEntry(std::uint32_t id, std::uint16_t language, std::wstring& out) {
  // Strings live in blocks of 16; each entry is a length, then that many
  // characters. The block is looked up in exactly the language asked for, as
  // LoadStringW would choose by the user interface language instead.
  const HINSTANCE module = win32::ModuleInstance();
  HRSRC info = ::FindResourceExW(module, MAKEINTRESOURCEW(6) /* RT_STRING */,
                                 MAKEINTRESOURCEW(id / 16 + 1), language);
  if (!info) return false;
  const DWORD size = ::SizeofResource(module, info);
  HGLOBAL loaded = ::LoadResource(module, info);
  const auto* p = loaded ? static_cast<const WCHAR*>(::LockResource(loaded)) : nullptr;
  if (!p) return false;
  const WCHAR* const end = p + size / sizeof(WCHAR);
  for (std::uint32_t i = 0; i < id % 16; ++i) {
    if (p >= end) return false;
    p += 1 + *p;
  }
  if (p >= end || *p == 0 || p + 1 + *p > end) return false;
  out.assign(p + 1, *p);
  return true;
}

}  // namespace spinstall::platform
