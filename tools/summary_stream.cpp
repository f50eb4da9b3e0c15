#include "summary_stream.h"

#include <algorithm>

#include "little_endian.h"

namespace msptool {
namespace {

constexpr std::uint32_t kVtI2 = 2, kVtI4 = 3, kVtLpstr = 30, kVtFileTime = 64;

// {F29F85E0-4FF9-1068-AB91-08002B27B3D9} in its stored (little-endian) layout.
constexpr unsigned char kSummaryFormatId[16] = {0xE0, 0x85, 0x9F, 0xF2, 0xF9, 0x4F, 0x68, 0x10,
                                                0xAB, 0x91, 0x08, 0x00, 0x2B, 0x27, 0xB3, 0xD9};

void Pad4(std::string& out) {
  while (out.size() % 4) out.push_back('\0');
}

std::string EncodeValue(const SummaryProperty& p) {
  std::string v;
  switch (p.type) {
    case SummaryProperty::Type::I2:
      PutU32(v, kVtI2);
      PutU16(v, static_cast<std::uint32_t>(p.number));
      break;
    case SummaryProperty::Type::I4:
      PutU32(v, kVtI4);
      PutU32(v, static_cast<std::uint32_t>(p.number));
      break;
    case SummaryProperty::Type::Text:
      PutU32(v, kVtLpstr);
      PutU32(v, static_cast<std::uint32_t>(p.text.size() + 1));
      v += p.text;
      v.push_back('\0');
      break;
    case SummaryProperty::Type::FileTime:
      PutU32(v, kVtFileTime);
      PutU32(v, static_cast<std::uint32_t>(p.number & 0xFFFFFFFF));
      PutU32(v, static_cast<std::uint32_t>(static_cast<std::uint64_t>(p.number) >> 32));
      break;
  }
  Pad4(v);
  return v;
}

}  // namespace

std::string BuildSummaryStream(std::vector<SummaryProperty> properties) {
  std::sort(properties.begin(), properties.end(),
            [](const auto& a, const auto& b) { return a.id < b.id; });

  // Section: size, count, (id, offset) pairs, then the values.
  std::string values;
  std::string index;
  const std::uint32_t headerSize = 8 + 8 * static_cast<std::uint32_t>(properties.size());
  for (const auto& p : properties) {
    PutU32(index, p.id);
    PutU32(index, headerSize + static_cast<std::uint32_t>(values.size()));
    values += EncodeValue(p);
  }
  std::string section;
  PutU32(section, headerSize + static_cast<std::uint32_t>(values.size()));
  PutU32(section, static_cast<std::uint32_t>(properties.size()));
  section += index + values;

  std::string stream;
  PutU16(stream, 0xFFFE);      // byte order
  PutU16(stream, 0);           // format
  PutU32(stream, 0x00020006);  // originating system
  stream.append(16, '\0');     // class id
  PutU32(stream, 1);           // one section
  stream.append(reinterpret_cast<const char*>(kSummaryFormatId), 16);
  PutU32(stream, 48);  // the section follows this header
  return stream + section;
}

}  // namespace msptool
