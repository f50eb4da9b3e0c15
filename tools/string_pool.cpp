#include "string_pool.h"

#include "little_endian.h"

namespace msptool {

std::uint16_t StringPool::Reference(const std::string& text) {
  if (text.empty()) return 0;
  for (std::size_t i = 0; i < strings_.size(); ++i) {
    if (strings_[i].text == text) {
      ++strings_[i].references;
      return static_cast<std::uint16_t>(i + 1);
    }
  }
  strings_.push_back({text, 1});
  return static_cast<std::uint16_t>(strings_.size());
}

std::string StringPool::PoolBytes() const {
  constexpr std::uint32_t kCodePage = 1252;
  std::string out;
  PutU32(out, kCodePage);
  for (const auto& entry : strings_) {
    PutU16(out, static_cast<std::uint16_t>(entry.text.size()));
    PutU16(out, entry.references);
  }
  return out;
}

std::string StringPool::DataBytes() const {
  std::string out;
  for (const auto& entry : strings_) out += entry.text;
  return out;
}

}  // namespace msptool
