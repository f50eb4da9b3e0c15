#include "msi/transform_writer.h"

#include <algorithm>

#include "compound/reader.h"
#include "compound/stream_name.h"
#include "compound/writer.h"
#include "msi/database_reader.h"
#include "summary/summary_stream.h"

namespace msptool::msi {
namespace {

using T = SummaryProperty::Type;

// "platform;language", the platform left empty (any).
std::string PlatformLanguage(const Database& db) {
  return std::string(";").append(PropertyValue(db, "ProductLanguage"));
}

bool AddTableStream(GsfOutfile* storage, const std::string& table, const std::string& bytes) {
  return CompoundFile::AddStream(storage, EncodeStreamName(table, true), bytes);
}

}  // namespace

bool WriteTableStreams(GsfOutfile* storage, const EncodedTables& tables) {
  bool ok = AddTableStream(storage, "_StringPool", tables.stringPool) &&
            AddTableStream(storage, "_StringData", tables.stringData);
  for (const auto& [table, bytes] : tables.tables) ok = ok && AddTableStream(storage, table, bytes);
  return ok;
}

TransformSummary SummaryFor(const Database& before, const Database& after) {
  TransformSummary s;
  s.codePage = after.codePage;
  s.target = PlatformLanguage(before);
  s.upgraded = PlatformLanguage(after);
  const std::string upgradeCode = PropertyValue(before, "UpgradeCode");
  s.revision = PropertyValue(before, "ProductCode") + PropertyValue(before, "ProductVersion") +
               ";" + PropertyValue(after, "ProductCode") + PropertyValue(after, "ProductVersion") +
               ";" + upgradeCode;
  s.validation = kValidateProductCode | (upgradeCode.empty() ? 0 : kValidateUpgradeCode);
  return s;
}

bool WriteTransform(GsfOutfile* storage, const EncodedTables& streams,
                    const TransformSummary& summary, const std::string& streamSource,
                    std::string& error, const StreamBytes& given) {
  const std::vector<SummaryProperty> props = {
      {kCodePageProperty, T::I2, summary.codePage, {}},
      {kTemplateProperty, T::Text, 0, summary.target},
      {kLastAuthorProperty, T::Text, 0, summary.upgraded},
      {kRevisionProperty, T::Text, 0, summary.revision},
      {kPageCountProperty, T::I4, summary.pageCount, {}},
      {kCharacterCountProperty,
       T::I4,
       static_cast<std::int32_t>((std::uint32_t{summary.validation} << 16) |
                                 summary.errorConditions),
       {}},
  };
  bool ok = CompoundFile::AddStream(storage, kSummaryStreamName, BuildSummaryStream(props)) &&
            AddTableStream(storage, "_StringPool", streams.stringPool) &&
            AddTableStream(storage, "_StringData", streams.stringData);
  for (const auto& [table, bytes] : streams.tables)
    ok = ok && AddTableStream(storage, table, bytes);
  for (const auto& name : streams.streams) {
    std::string bytes;
    const std::string stored = EncodeStreamName(name, false);
    if (const auto found = given.find(name); found != given.end()) {
      bytes = found->second;
    } else if (!ReadRootStream(streamSource, stored, bytes)) {
      error = streamSource + " has no stream " + name;
      return false;
    }
    ok = ok && CompoundFile::AddStream(storage, stored, bytes);
  }
  if (!ok) error = "cannot write the transform's streams";
  return ok;
}

bool WriteTransformFile(const std::string& beforePath, const std::string& afterPath,
                        const std::string& outPath, std::string& error) {
  Database before, after;
  DatabaseDiff diff;
  EncodedTables streams;
  std::string beforeSummary, afterSummary;
  if (!ReadDatabase(beforePath, before, error, true, &beforeSummary) ||
      !ReadDatabase(afterPath, after, error, true, &afterSummary) ||
      !Diff(before, after, diff, error) || !EncodeTransform(diff, streams, error))
    return false;
  TransformSummary summary = SummaryFor(before, after);
  summary.pageCount =
      static_cast<std::int32_t>(std::max(SummaryNumber(beforeSummary, kPageCountProperty),
                                         SummaryNumber(afterSummary, kPageCountProperty)));
  std::string writeError;
  const bool ok = CompoundFile::Write(
      outPath, kTransformClassId,
      [&](GsfOutfile* root) { return WriteTransform(root, streams, summary, afterPath, error); },
      writeError);
  if (!ok && error.empty()) error = writeError;
  return ok;
}

}  // namespace msptool::msi
