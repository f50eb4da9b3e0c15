#include "platform/resources.h"

#include "platform/error_codes.h"
#include "platform/host/embedded_resources.h"
#include "platform/host/utf8.h"
#include "platform/last_error.h"

namespace spinstall::platform {
namespace {

std::span<const host::EmbeddedResource> g_resources;
std::span<const host::EmbeddedString> g_strings;
bool g_resourcesOverridden = false;
bool g_stringsOverridden = false;

std::span<const host::EmbeddedResource> Resources() {
  return g_resourcesOverridden ? g_resources : host::BuiltInResources();
}
std::span<const host::EmbeddedString> Strings() {
  return g_stringsOverridden ? g_strings : host::BuiltInStrings();
}

}  // namespace

namespace host {
void OverrideResources(std::span<const EmbeddedResource> resources) {
  g_resources = resources;
  g_resourcesOverridden = !resources.empty();
}
void OverrideStrings(std::span<const EmbeddedString> strings) {
  g_strings = strings;
  g_stringsOverridden = !strings.empty();
}
}  // namespace host

ResourceLookup FindResourceBytes(const std::wstring& type, const std::wstring& name,
                                 ResourceBytes& out) {
  for (const auto& r : Resources()) {
    if (type != r.type || name != r.name) continue;
    if (r.end <= r.begin) {
      SetLastError(kErrorInvalidParameter);
      return ResourceLookup::Unloadable;
    }
    out.data = r.begin;
    out.size = static_cast<std::size_t>(r.end - r.begin);
    return ResourceLookup::Found;
  }
  SetLastError(kErrorResourceNameNotFound);
  return ResourceLookup::NotFound;
}

bool LoadStringEntry(std::uint32_t id, std::uint16_t language, std::wstring& out) {
  for (const auto& s : Strings()) {
    if (s.id == id && s.language == language) {
      out = host::Widen(s.utf8);
      return !out.empty();
    }
  }
  return false;
}

}  // namespace spinstall::platform
