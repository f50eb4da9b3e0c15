// Reading an authored package back, independently of the writer: the
// compound file's storages and streams (libgsf), summary information
// properties and string pools, decoded as the installer reads them.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

namespace toolstest {

struct CompoundContents {
  // Stream bytes by path ("Storage/name"), names as stored (UTF-8).
  std::map<std::string, std::string> streams;
  // Class id bytes by storage path ("" for the root).
  std::map<std::string, std::string> classIds;
};

// False when the file is not a compound file.
bool ReadCompoundFile(const std::string& path, CompoundContents& out);

// A summary information stream's properties: integers (I2, I4, FILETIME)
// and texts (LPSTR, without the terminator).
using SummaryValue = std::variant<std::int64_t, std::string>;
std::map<std::uint32_t, SummaryValue> ParseSummary(const std::string& stream);

// The strings of a string pool, index 1 first (index 0, null, is "").
std::vector<std::string> ParseStringPool(const std::string& pool, const std::string& data);

// Little-endian integers at an offset of a byte string.
std::uint32_t U16At(const std::string& bytes, std::size_t offset);
std::uint32_t U32At(const std::string& bytes, std::size_t offset);

}  // namespace toolstest
