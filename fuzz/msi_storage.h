// A database's or transform's storage made of a fuzzer's bytes: the parts
// between "|MSI|" separators become, in order, the streams _StringPool,
// _StringData, _Tables, _Columns, then table streams named A, B, C...
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "compound/reader.h"
#include "compound/stream_name.h"

namespace fuzzing {

inline msptool::CompoundEntry TableStream(const std::string& table, const std::string& bytes) {
  msptool::CompoundEntry stream;
  stream.name = msptool::EncodeStreamName(table, true);
  stream.bytes = bytes;
  stream.size = bytes.size();
  return stream;
}

inline msptool::CompoundEntry StorageOfParts(const std::uint8_t* data, std::size_t size) {
  static const char* const kNames[] = {"_StringPool", "_StringData", "_Tables", "_Columns"};
  const std::string bytes(reinterpret_cast<const char*>(data), size);
  const std::string separator = "|MSI|";
  msptool::CompoundEntry storage;
  storage.isStorage = true;
  std::size_t at = 0;
  for (std::size_t n = 0; at <= bytes.size(); ++n) {
    std::size_t end = bytes.find(separator, at);
    if (end == std::string::npos) end = bytes.size();
    const std::string name = n < 4 ? kNames[n] : std::string(1, static_cast<char>('A' + n - 4));
    storage.children.push_back(TableStream(name, bytes.substr(at, end - at)));
    at = end + separator.size();
  }
  return storage;
}

}  // namespace fuzzing
