// The string pool of an installer database or transform: every string a table
// stream refers to, stored once, in the streams _StringPool and _StringData.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace msptool {

class StringPool {
 public:
  // A reference to `text`: its 1-based index, added on first use. Each call
  // counts one reference. The empty text is the null string, index 0.
  std::uint16_t Reference(const std::string& text);

  // _StringPool: the code page (1252, short references), then per string its
  // byte length and reference count, both 16-bit little-endian.
  std::string PoolBytes() const;
  // _StringData: the strings' bytes, concatenated without terminators.
  std::string DataBytes() const;

  std::size_t Size() const { return strings_.size(); }

 private:
  struct Entry {
    std::string text;
    std::uint16_t references;
  };
  std::vector<Entry> strings_;
};

}  // namespace msptool
