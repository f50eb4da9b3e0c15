// The stream-name encoding the installer uses inside a package.
#pragma once

#include <string>

namespace msptool {

// The stored name of a stream: table streams get the 0x4840 prefix, and
// characters of the 64-symbol alphabet are packed two to a UTF-16 unit.
// Returned as UTF-8, as libgsf takes names.
std::string EncodeStreamName(const std::string& name, bool isTable);

// The name again from a stored (UTF-8) name; `isTable` tells whether it had
// the table prefix. Units outside the packing are kept as they are.
std::string DecodeStreamName(const std::string& stored, bool& isTable);

}  // namespace msptool
