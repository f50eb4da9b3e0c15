// The running module's resources: the carried package, the descriptor texts
// and the message catalogue.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace spinstall::platform {

enum class ResourceLookup {
  Found,
  NotFound,    // no resource of that type and name
  Unloadable,  // found, but of size 0 or not loadable
};

struct ResourceBytes {
  const unsigned char* data = nullptr;
  std::size_t size = 0;
};

// Finds a resource by type and name. A name of the form "#206" names the
// integer ID 206. Sets the last-error value when the lookup fails.
ResourceLookup FindResourceBytes(const std::wstring& type, const std::wstring& name,
                                 ResourceBytes& out);

// One string-table entry in exactly the given language (no fallback of the
// loader's own). False when the table has no such entry.
bool LoadStringEntry(std::uint32_t id, std::uint16_t language, std::wstring& out);

}  // namespace spinstall::platform
