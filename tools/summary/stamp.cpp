#include "summary/stamp.h"

#include <gsf/gsf.h>

#include <algorithm>

#include "compound/reader.h"
#include "compound/writer.h"
#include "summary/summary_stream.h"

namespace msptool {
namespace {

const unsigned char* ClassIdBytes(const CompoundEntry& storage) {
  static const unsigned char kNone[16] = {};
  return storage.classId.size() == 16
             ? reinterpret_cast<const unsigned char*>(storage.classId.data())
             : kNone;
}

bool WriteChildren(GsfOutfile* storage, const CompoundEntry& entry) {
  bool ok = true;
  for (const auto& child : entry.children) {
    if (!child.isStorage) {
      ok = ok && CompoundFile::AddStream(storage, child.name, child.bytes);
      continue;
    }
    GsfOutfile* sub = CompoundFile::AddStorage(storage, child.name, ClassIdBytes(child));
    ok = ok && sub && WriteChildren(sub, child);
    if (sub) ok = CompoundFile::CloseStorage(sub) && ok;
  }
  return ok;
}

}  // namespace

bool StampPackage(const std::string& path, const std::string& outPath, const std::string& keywords,
                  std::string& error) {
  CompoundEntry root;
  if (!ReadCompound(path, root, error)) {
    error = path + " " + error;
    return false;
  }
  CompoundEntry* summary = nullptr;
  for (auto& child : root.children)
    if (!child.isStorage && child.name == kSummaryStreamName) summary = &child;
  std::string header;
  std::vector<StoredProperty> properties;
  if (!summary || !ReadSummaryStream(summary->bytes, header, properties)) {
    error = path + " has no readable summary information";
    return false;
  }
  // Property 5 keeps its place; a package without one gets it in id order.
  auto at = std::find_if(properties.begin(), properties.end(),
                         [](const auto& p) { return p.id == kKeywordsProperty; });
  if (at != properties.end()) {
    at->value = StoredText(keywords);
  } else {
    at = std::find_if(properties.begin(), properties.end(),
                      [](const auto& p) { return p.id > kKeywordsProperty; });
    properties.insert(at, {kKeywordsProperty, StoredText(keywords)});
  }
  summary->bytes = AssembleSummaryStream(header, properties);

  return CompoundFile::Write(
      outPath, ClassIdBytes(root), [&](GsfOutfile* out) { return WriteChildren(out, root); },
      error);
}

}  // namespace msptool
