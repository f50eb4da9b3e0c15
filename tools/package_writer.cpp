#include "package_writer.h"

#include <cstdio>

#include "compound_file.h"
#include "summary_stream.h"
#include "table_schema.h"

namespace msptool {
namespace {

// 2026-01-01 00:00 UTC: fixed, so that every build writes the same bytes.
constexpr std::int64_t kFixedFileTime = 134116992000000000LL;
constexpr std::int64_t kCodePage = 1252;

using T = SummaryProperty::Type;

bool AddTable(GsfOutfile* storage, const std::string& table, const std::string& bytes) {
  return CompoundFile::AddStream(storage, EncodeStreamName(table, true), bytes);
}

// The cabinet on its way into the package: a file beside it, removed at the
// end, so that no file is ever held in memory whole.
struct CabinetFileOnDisk {
  std::string path;
  ~CabinetFileOnDisk() { std::remove(path.c_str()); }
};

bool AddStringPool(GsfOutfile* storage, const StringPool& strings) {
  return CompoundFile::AddStream(storage, EncodeStreamName("_StringPool", true),
                                 strings.PoolBytes()) &&
         CompoundFile::AddStream(storage, EncodeStreamName("_StringData", true),
                                 strings.DataBytes());
}

bool AddTransform(GsfOutfile* root, const Transform& transform) {
  GsfOutfile* storage = CompoundFile::AddStorage(root, transform.name, kTransformClassId);
  if (!storage) return false;
  // Properties 7 and 8: platform and language before and after (neutral).
  const std::vector<SummaryProperty> props = {
      {1, T::I2, kCodePage, {}},
      {7, T::Text, 0, ";0"},
      {8, T::Text, 0, ";0"},
      {9, T::Text, 0, transform.description},
      {16, T::I4, static_cast<std::int32_t>(transform.characterCount), {}},
  };
  bool ok = CompoundFile::AddStream(storage, kSummaryStreamName, BuildSummaryStream(props)) &&
            AddStringPool(storage, transform.strings);
  for (const auto& [table, bytes] : transform.tables) ok = ok && AddTable(storage, table, bytes);
  return CompoundFile::CloseStorage(storage) && ok;
}

}  // namespace

bool WritePatchPackage(const PatchSummary& summary, const PatchContent& content,
                       const std::string& path, std::string& error) {
  return WritePatchPackage(summary, content, BuildTransforms(content), path, error);
}

bool WritePatchPackage(const PatchSummary& summary, const PatchContent& content,
                       const std::vector<Transform>& transforms, const std::string& path,
                       std::string& error) {
  std::string transformList;
  for (const auto& t : transforms) transformList += (transformList.empty() ? ":" : ";:") + t.name;

  const CabinetFileOnDisk cabinet{content.files.empty() ? "" : path + ".cab"};
  if (!content.files.empty() && !WriteCabinet(content.files, cabinet.path, error)) return false;

  const std::vector<SummaryProperty> props = {
      {1, T::I2, kCodePage, {}},
      {2, T::Text, 0, summary.title},
      {3, T::Text, 0, summary.subject},
      {4, T::Text, 0, summary.author},
      {5, T::Text, 0, summary.keywords},
      {6, T::Text, 0, summary.comments},
      {7, T::Text, 0, summary.targets},
      {8, T::Text, 0, transformList},
      {9, T::Text, 0, summary.patchCode},
      {12, T::FileTime, kFixedFileTime, {}},
      {13, T::FileTime, kFixedFileTime, {}},
      {15, T::I4, 1, {}},
      {18, T::Text, 0, "msp_tool"},
  };

  // The root's own tables: MsiPatchSequence's one row names the patch's
  // family (the product family's upgrade code without its punctuation) and
  // its place there (the upgrade version).
  StringPool strings;
  std::string family;
  for (char c : content.upgradeCode)
    if (c != '{' && c != '}' && c != '-') family.push_back(c);
  const std::vector<std::pair<std::string, std::string>> tables = {
      {"_Tables", StoredTable(kTablesLayout, TablesRows({kPatchSequenceTable}), strings)},
      {"_Columns", StoredTable(kColumnsLayout, ColumnsRows({kPatchSequenceTable}), strings)},
      {kPatchSequenceTable.name,
       StoredTable(Layout(kPatchSequenceTable), {{family, {}, content.toVersion, 0}}, strings)},
  };

  return CompoundFile::Write(
      path, kPatchClassId,
      [&](GsfOutfile* root) {
        bool ok = CompoundFile::AddStream(root, kSummaryStreamName, BuildSummaryStream(props)) &&
                  AddStringPool(root, strings);
        for (const auto& [table, bytes] : tables) ok = ok && AddTable(root, table, bytes);
        for (const auto& t : transforms) ok = ok && AddTransform(root, t);
        if (!content.files.empty())
          ok = ok && CompoundFile::AddStreamFromFile(root, EncodeStreamName(kCabinetStream, false),
                                                     cabinet.path);
        return ok;
      },
      error);
}

}  // namespace msptool
