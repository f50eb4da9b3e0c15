#include "summary/package_summary.h"

#include <utility>
#include <vector>

#include "compound/reader.h"
#include "summary/summary_stream.h"

namespace msptool {

bool ReadPackageSummary(const std::string& path, PackageSummary& out, std::string& error) {
  CompoundEntry root;
  std::string ignored;
  // Only the summary stream is opened: a package's other streams may be large.
  if (!ReadCompoundStreams(path, root, ignored, [](const std::string& name, int depth) {
        return depth == 1 && name == kSummaryStreamName ? StreamContent::Bytes
                                                        : StreamContent::Skip;
      })) {
    error = "is not an installer package: cannot open";
    return false;
  }
  out = {};
  // Every package has one: without it, no target, transform or patch code.
  const CompoundEntry* stream = Child(root, kSummaryStreamName);
  if (!stream) {
    error = "is not an installer package: it has no summary information";
    return false;
  }
  std::string header;
  std::vector<StoredProperty> properties;
  if (!ReadSummaryStream(stream->bytes, header, properties)) {
    error = "has no readable summary information";
    return false;
  }
  const std::pair<std::uint32_t, std::string*> texts[] = {
      {kTitleProperty, &out.title},       {kSubjectProperty, &out.subject},
      {kKeywordsProperty, &out.keywords}, {kCommentsProperty, &out.comments},
      {kTemplateProperty, &out.targets},  {kLastAuthorProperty, &out.transforms},
      {kRevisionProperty, &out.revision}};
  for (const auto& property : properties)
    for (const auto& [id, text] : texts)
      if (property.id == id) StoredString(property, *text);
  return true;
}

}  // namespace msptool
