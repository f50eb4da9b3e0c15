#include "package_writer.h"

#include <cstdio>

#include "compound_file.h"
#include "msi/database_encoder.h"
#include "msi/transform_writer.h"
#include "patch_tables.h"
#include "summary_stream.h"

namespace msptool {
namespace {

// 2026-01-01 00:00 UTC: fixed, so that every build writes the same bytes.
constexpr std::int64_t kFixedFileTime = 134116992000000000LL;
constexpr std::int64_t kCodePage = 1252;

using T = SummaryProperty::Type;

// The cabinet on its way into the package: a file beside it, removed at the
// end, so that no file is ever held in memory whole.
struct CabinetFileOnDisk {
  std::string path;
  ~CabinetFileOnDisk() { std::remove(path.c_str()); }
};

bool AddTransform(GsfOutfile* root, const Transform& transform, std::string& error) {
  msi::EncodedTables tables;
  if (!msi::EncodeTransform(transform.diff, tables, error)) return false;
  GsfOutfile* storage = CompoundFile::AddStorage(root, transform.name, kTransformClassId);
  if (!storage) return false;
  const bool ok = msi::WriteTransform(storage, tables, transform.summary, "", error);
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
      {kCodePageProperty, T::I2, kCodePage, {}},
      {kTitleProperty, T::Text, 0, summary.title},
      {kSubjectProperty, T::Text, 0, summary.subject},
      {kAuthorProperty, T::Text, 0, summary.author},
      {kKeywordsProperty, T::Text, 0, summary.keywords},
      {kCommentsProperty, T::Text, 0, summary.comments},
      {kTemplateProperty, T::Text, 0, summary.targets},
      {kLastAuthorProperty, T::Text, 0, transformList},
      {kRevisionProperty, T::Text, 0, summary.patchCode},
      {kCreatedProperty, T::FileTime, kFixedFileTime, {}},
      {kSavedProperty, T::FileTime, kFixedFileTime, {}},
      {kWordCountProperty, T::I4, 1, {}},
      {kApplicationProperty, T::Text, 0, "msp_tool"},
  };

  // The root's own tables: MsiPatchSequence's one row names the patch's
  // family (the product family's upgrade code without its punctuation) and
  // its place there (the upgrade version).
  std::string family;
  for (char c : content.upgradeCode)
    if (c != '{' && c != '}' && c != '-') family.push_back(c);
  msi::Database rootTables{static_cast<std::uint32_t>(kCodePage), {kMsiPatchSequenceTable}, {}};
  rootTables.tables[0].rows = {{msi::Value::String(family),
                                {},
                                msi::Value::String(content.toVersion),
                                msi::Value::Integer(0)}};
  msi::EncodedTables tables;
  if (!msi::EncodeDatabase(rootTables, tables, error)) return false;

  return CompoundFile::Write(
      path, kPatchClassId,
      [&](GsfOutfile* root) {
        bool ok = CompoundFile::AddStream(root, kSummaryStreamName, BuildSummaryStream(props)) &&
                  msi::WriteTableStreams(root, tables);
        for (const auto& t : transforms) ok = ok && AddTransform(root, t, error);
        if (!content.files.empty())
          ok = ok && CompoundFile::AddStreamFromFile(root, EncodeStreamName(kCabinetStream, false),
                                                     cabinet.path);
        return ok;
      },
      error);
}

}  // namespace msptool
