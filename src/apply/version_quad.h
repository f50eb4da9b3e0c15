// Version texts as four 16-bit fields, compared for equality only.
#pragma once

#include <cstdint>
#include <string>

namespace spinstall::apply {

struct VersionQuad {
  std::uint16_t major = 0;
  std::uint16_t minor = 0;
  std::uint16_t build = 0;
  std::uint16_t revision = 0;
};

// Commas count as dots. Each of the first three fields runs to the next '.' or
// the end of the text; the fourth is everything after the third '.'. Each field
// is read with ReadDecimal and kept modulo 65536; a missing field is 0.
VersionQuad ParseVersionQuad(std::wstring text);

bool VersionQuadEquals(const VersionQuad& a, const VersionQuad& b);

}  // namespace spinstall::apply
