// The summary information stream ("\005SummaryInformation") of a package: an
// OLE property set with one section of the summary-information format id.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace msptool {

struct SummaryProperty {
  enum class Type { I2, I4, Text, FileTime };
  std::uint32_t id;
  Type type;
  std::int64_t number;  // I2, I4, FileTime
  std::string text;     // Text: code-page 1252 bytes
};

// The property set's bytes, properties in ascending id order.
std::string BuildSummaryStream(std::vector<SummaryProperty> properties);

}  // namespace msptool
