// The summary information stream ("\005SummaryInformation") of a package: an
// OLE property set with one section of the summary-information format id.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "installer/summary_information.h"

namespace msptool {

// The stream's name in a package's or transform's storage.
inline constexpr char kSummaryStreamName[] = "\x05SummaryInformation";

// The property ids and value types, as spinstall reads them too.
using namespace spinstall::summary_information;

struct SummaryProperty {
  enum class Type { I2, I4, Text, FileTime };
  std::uint32_t id;
  Type type;
  std::int64_t number;  // I2, I4, FileTime
  std::string text;     // Text: code-page 1252 bytes
};

// The property set's bytes, properties in ascending id order.
std::string BuildSummaryStream(std::vector<SummaryProperty> properties);

// A property as a stream stores it: its id and its value's bytes, from the
// type on, padding included.
struct StoredProperty {
  std::uint32_t id;
  std::string value;
};

// A property set of one section, read as stored: `header` is everything up to
// the section (byte order, versions, class id, format id), `properties` in
// stored order. False when the stream is not such a property set.
bool ReadSummaryStream(const std::string& stream, std::string& header,
                       std::vector<StoredProperty>& properties);
// The property set again, offsets recomputed.
std::string AssembleSummaryStream(const std::string& header,
                                  const std::vector<StoredProperty>& properties);

// The stored value of a text (VT_LPSTR) property.
std::string StoredText(const std::string& text);
// The text a VT_LPSTR value holds, without its terminator; false for other
// types.
bool StoredString(const StoredProperty& property, std::string& text);
// The number an I2 or I4 value holds; false for other types.
bool StoredNumber(const StoredProperty& property, std::int64_t& number);
// The I2 or I4 property `id` of the summary stream `stream`; 0 when the
// stream has none or is no property set.
std::int64_t SummaryNumber(const std::string& stream, std::uint32_t id);

}  // namespace msptool
