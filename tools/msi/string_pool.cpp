#include "msi/string_pool.h"

#include "base/little_endian.h"

namespace msptool::msi {

namespace {
constexpr std::uint32_t kLongReferences = 0x80000000u;
}  // namespace

std::uint32_t StringPool::Add(const std::string& text) {
  if (text.empty()) return 0;
  const auto [at, added] =
      index_.try_emplace(text, static_cast<std::uint32_t>(strings_.size() + 1));
  if (added)
    strings_.push_back({text, 1});
  else
    ++strings_[at->second - 1].references;
  return at->second;
}

std::uint32_t StringPool::Add(const SharedText& text) {
  const auto known = shared_.find(text.Identity());
  if (known != shared_.end()) {
    ++strings_[known->second.second - 1].references;
    return known->second.second;
  }
  const std::uint32_t index = Add(text.str());
  if (index != 0) shared_.emplace(text.Identity(), std::pair{text, index});
  return index;
}

std::uint32_t StringPool::Find(const SharedText& text) const {
  const auto known = shared_.find(text.Identity());
  return known != shared_.end() ? known->second.second : Find(text.str());
}

std::uint32_t StringPool::Find(const std::string& text) const {
  const auto at = index_.find(text);
  return at == index_.end() ? 0 : at->second;
}

std::string StringPool::PoolBytes() const {
  std::string out;
  PutU32(out, codePage_ | (ReferenceSize() == 3 ? kLongReferences : 0));
  for (const auto& entry : strings_) {
    const std::size_t length = entry.text.size();
    // The count field holds 16 bits; a string referred to more often says
    // 65,535, which only the installer's bookkeeping reads.
    const std::uint32_t count = entry.references > 0xFFFF ? 0xFFFF : entry.references;
    if (length > 0xFFFF) {
      PutU16(out, 0);
      PutU16(out, static_cast<std::uint32_t>(length >> 16));
    }
    PutU16(out, static_cast<std::uint32_t>(length & 0xFFFF));
    PutU16(out, count);
  }
  return out;
}

std::string StringPool::DataBytes() const {
  std::string out;
  for (const auto& entry : strings_) out += entry.text;
  return out;
}

bool ReadStringPool(const std::string& pool, const std::string& data, StringTable& out,
                    std::string& error) {
  out = {};
  if (pool.size() < 4) return true;  // no strings, neutral code page
  const std::uint32_t head = GetU32(pool, 0);
  out.codePage = head & ~kLongReferences;
  out.referenceSize = (head & kLongReferences) ? 3 : 2;
  std::size_t offset = 0;
  for (std::size_t at = 4; at + 4 <= pool.size(); at += 4) {
    std::size_t length = GetU16(pool, at);
    if (length == 0 && GetU16(pool, at + 2) != 0) {  // a long string's first entry
      if (at + 8 > pool.size()) break;
      length = (static_cast<std::size_t>(GetU16(pool, at + 2)) << 16) | GetU16(pool, at + 4);
      at += 4;
    }
    if (length > data.size() - offset) {
      error = "the string pool names " + std::to_string(offset + length) +
              " bytes of strings, the string data has " + std::to_string(data.size());
      return false;
    }
    out.strings.push_back(data.substr(offset, length));
    offset += length;
  }
  if (offset != data.size()) {
    error = "the string data has " + std::to_string(data.size() - offset) +
            " bytes that no string of the pool covers";
    return false;
  }
  return true;
}

void PutReference(std::string& out, std::uint32_t index, std::size_t referenceSize) {
  PutU16(out, index & 0xFFFF);
  if (referenceSize == 3) out.push_back(static_cast<char>((index >> 16) & 0xFF));
}

}  // namespace msptool::msi
