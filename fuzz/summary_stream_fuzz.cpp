// The summary stream as msp_tool's stamp reads it and writes it again: what
// it writes reads back to the same properties, and writes the same bytes.
#include "fuzz_input.h"
#include "summary/summary_stream.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string stream(reinterpret_cast<const char*>(data), size);
  std::string header;
  std::vector<msptool::StoredProperty> properties;
  if (!msptool::ReadSummaryStream(stream, header, properties)) return 0;
  // The first writing pads every value; from then on nothing changes.
  const std::string written = msptool::AssembleSummaryStream(header, properties);
  std::string againHeader;
  std::vector<msptool::StoredProperty> again;
  fuzzing::Require(msptool::ReadSummaryStream(written, againHeader, again));
  fuzzing::Require(againHeader == header && again.size() == properties.size());
  for (std::size_t i = 0; i < again.size(); ++i) {
    fuzzing::Require(again[i].id == properties[i].id);
    fuzzing::Require(again[i].value.compare(0, properties[i].value.size(), properties[i].value) ==
                     0);
  }
  fuzzing::Require(msptool::AssembleSummaryStream(againHeader, again) == written);
  return 0;
}
