// The host build's stand-in for module resources: tables the build generates
// from the same files the Windows resource script names.
#pragma once

#include <cstdint>
#include <span>

namespace spinstall::platform::host {

struct EmbeddedResource {
  const wchar_t* type;  // "MSP", "TXT"
  const wchar_t* name;  // "IDR_MSP", "#206"
  const unsigned char* begin;
  const unsigned char* end;
};

struct EmbeddedString {
  std::uint16_t language;
  std::uint32_t id;
  const char* utf8;
};

// The build's tables (generated).
std::span<const EmbeddedResource> BuiltInResources();
std::span<const EmbeddedString> BuiltInStrings();

// Tests put other tables in place; an empty span restores the built-in one.
void OverrideResources(std::span<const EmbeddedResource> resources);
void OverrideStrings(std::span<const EmbeddedString> strings);

}  // namespace spinstall::platform::host
