#include "summary/summary_stream.h"

#include <algorithm>

#include "base/little_endian.h"

namespace msptool {
namespace {

// Byte order, format, originating system, class id, section count, format id
// and the section's offset.
constexpr std::size_t kHeaderSize = 48;

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
      return StoredText(p.text);
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

std::string StoredText(const std::string& text) {
  std::string v;
  PutU32(v, kVtLpstr);
  PutU32(v, static_cast<std::uint32_t>(text.size() + 1));
  v += text;
  v.push_back('\0');
  Pad4(v);
  return v;
}

bool StoredNumber(const StoredProperty& property, std::int64_t& number) {
  if (property.value.size() < 8) return false;
  const std::uint32_t type = GetU32(property.value, 0), raw = GetU32(property.value, 4);
  if (type == kVtI2)
    number = static_cast<std::int16_t>(raw & 0xFFFF);
  else if (type == kVtI4)
    number = static_cast<std::int32_t>(raw);
  else
    return false;
  return true;
}

std::int64_t SummaryNumber(const std::string& stream, std::uint32_t id) {
  std::string header;
  std::vector<StoredProperty> properties;
  std::int64_t number = 0;
  if (ReadSummaryStream(stream, header, properties))
    for (const auto& p : properties)
      if (p.id == id && StoredNumber(p, number)) return number;
  return 0;
}

bool StoredString(const StoredProperty& property, std::string& text) {
  if (property.value.size() < 8 || GetU32(property.value, 0) != kVtLpstr) return false;
  const std::uint32_t length = GetU32(property.value, 4);
  if (length > property.value.size() - 8) return false;
  text = property.value.substr(8, length);
  text.resize(std::min(text.size(), text.find('\0')));  // without its terminator
  return true;
}

std::string BuildSummaryStream(std::vector<SummaryProperty> properties) {
  std::sort(properties.begin(), properties.end(),
            [](const auto& a, const auto& b) { return a.id < b.id; });
  std::vector<StoredProperty> stored;
  for (const auto& p : properties) stored.push_back({p.id, EncodeValue(p)});

  std::string header;
  PutU16(header, 0xFFFE);      // byte order
  PutU16(header, 0);           // format
  PutU32(header, 0x00020006);  // originating system
  header.append(16, '\0');     // class id
  PutU32(header, 1);           // one section
  header.append(reinterpret_cast<const char*>(kSummaryFormatId), 16);
  return AssembleSummaryStream(header, stored);
}

std::string AssembleSummaryStream(const std::string& header,
                                  const std::vector<StoredProperty>& properties) {
  // Section: size, count, (id, offset) pairs, then the values.
  std::string values;
  std::string index;
  const std::uint32_t indexSize = 8 + 8 * static_cast<std::uint32_t>(properties.size());
  for (const auto& p : properties) {
    PutU32(index, p.id);
    PutU32(index, indexSize + static_cast<std::uint32_t>(values.size()));
    values += p.value;
    Pad4(values);  // a value read unpadded (the last one) is padded again
  }
  std::string stream = header;
  PutU32(stream, kHeaderSize);  // the section follows the header
  PutU32(stream, indexSize + static_cast<std::uint32_t>(values.size()));
  PutU32(stream, static_cast<std::uint32_t>(properties.size()));
  return stream + index + values;
}

bool ReadSummaryStream(const std::string& stream, std::string& header,
                       std::vector<StoredProperty>& properties) {
  if (stream.size() < kHeaderSize + 8 || GetU32(stream, 24) != 1) return false;
  const std::size_t section = GetU32(stream, 44);
  if (section < kHeaderSize || section > stream.size() - 8) return false;
  // Some writers leave the last value unpadded, ending the stream before the
  // section's stated size: the values then end with the stream.
  const std::size_t size = std::min<std::size_t>(GetU32(stream, section), stream.size() - section);
  const std::size_t count = GetU32(stream, section + 4);
  if (size < 8 || count > (size - 8) / 8) return false;
  // A value runs to the next value's offset, the last one to the section's end.
  std::vector<std::uint32_t> offsets;
  for (std::size_t i = 0; i < count; ++i) offsets.push_back(GetU32(stream, section + 12 + 8 * i));
  std::vector<std::uint32_t> sorted = offsets;
  sorted.push_back(static_cast<std::uint32_t>(size));
  std::sort(sorted.begin(), sorted.end());
  properties.clear();
  for (std::size_t i = 0; i < count; ++i) {
    if (offsets[i] < 8 + 8 * count || offsets[i] >= size) return false;
    const auto end = *std::upper_bound(sorted.begin(), sorted.end(), offsets[i]);
    properties.push_back({GetU32(stream, section + 8 + 8 * i),
                          stream.substr(section + offsets[i], end - offsets[i])});
  }
  header = stream.substr(0, kHeaderSize - 4);
  return true;
}

}  // namespace msptool
