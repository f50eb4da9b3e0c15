// The string pool of a database or transform: every string its table streams
// refer to, stored once, in the streams _StringPool and _StringData.
//
// _StringPool: the code page (32 bits; the top bit set when references take
// 3 bytes), then per string its byte length and reference count (16 bits
// each). A string of 65,536 bytes or more takes two entries: a first of
// length 0 whose count holds the length's upper 16 bits, then the lower bits
// and the count. References are 1-based (0 is the null string); more than
// 65,535 strings need 3-byte references in every table stream.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "base/shared_text.h"

namespace msptool::msi {

class StringPool {
 public:
  explicit StringPool(std::uint32_t codePage) : codePage_(codePage) {}

  // Counts one reference to `text` (added on first use) and returns its
  // index; the empty text is the null string, 0.
  std::uint32_t Add(const std::string& text);
  // The same for a shared text: a text added before under its identity is
  // found without hashing its bytes again (one long string named by every
  // cell of a hostile table costs its length once, not once a cell).
  std::uint32_t Add(const SharedText& text);
  // The index of a string already added (0 for others).
  std::uint32_t Find(const std::string& text) const;
  std::uint32_t Find(const SharedText& text) const;
  std::uint32_t Add(const char* text) { return Add(std::string(text)); }
  std::uint32_t Find(const char* text) const { return Find(std::string(text)); }

  // 2, or 3 once there are more than 65,535 strings.
  std::size_t ReferenceSize() const { return strings_.size() > 0xFFFF ? 3 : 2; }
  std::string PoolBytes() const;
  std::string DataBytes() const;
  std::size_t Size() const { return strings_.size(); }

 private:
  struct Entry {
    std::string text;
    std::uint32_t references;
  };
  std::uint32_t codePage_;
  std::vector<Entry> strings_;
  std::unordered_map<std::string, std::uint32_t> index_;
  // By identity, each holding its text alive so that its address stays its.
  std::unordered_map<const std::string*, std::pair<SharedText, std::uint32_t>> shared_;
};

// A pool read back: strings[0] is the null string.
struct StringTable {
  std::uint32_t codePage = 0;
  std::size_t referenceSize = 2;
  std::vector<SharedText> strings{""};  // each held once, however many cells name it
};

// False, with `error` set, when the pool's lengths do not add up to the data.
bool ReadStringPool(const std::string& pool, const std::string& data, StringTable& out,
                    std::string& error);

// A reference as a stream stores it.
void PutReference(std::string& out, std::uint32_t index, std::size_t referenceSize);

}  // namespace msptool::msi
