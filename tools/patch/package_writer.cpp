#include "patch/package_writer.h"

#include <cstdio>

#include "compound/writer.h"
#include "msi/database_encoder.h"
#include "summary/summary_stream.h"

namespace msptool {
namespace {

// 2026-01-01 00:00 UTC: fixed, so that every build writes the same bytes.
constexpr std::int64_t kFixedFileTime = 134116992000000000LL;

using T = SummaryProperty::Type;

// The cabinet on its way into the package: a file beside it, removed at the
// end, so that no file is ever held in memory whole.
struct CabinetFileOnDisk {
  std::string path;
  ~CabinetFileOnDisk() {
    if (!path.empty()) std::remove(path.c_str());
  }
};

bool AddTransform(GsfOutfile* root, const Transform& transform, std::string& error) {
  msi::EncodedTables tables;
  if (!msi::EncodeTransform(transform.diff, tables, error)) return false;
  GsfOutfile* storage = CompoundFile::AddStorage(root, transform.name, kTransformClassId);
  if (!storage) return false;
  const bool ok =
      msi::WriteTransform(storage, tables, transform.summary, "", error, transform.streams);
  return CompoundFile::CloseStorage(storage) && ok;
}

}  // namespace

bool WritePatchPackage(const PatchSummary& summary, const PatchBody& body, const std::string& path,
                       std::string& error) {
  std::string transformList;
  for (const auto& t : body.transforms)
    transformList += (transformList.empty() ? ":" : ";:") + t.name;

  const CabinetFileOnDisk cabinet{body.files.empty() ? "" : path + ".cab"};
  if (!body.files.empty() && !WriteCabinet(body.files, cabinet.path, error)) return false;

  const std::vector<SummaryProperty> props = {
      {kCodePageProperty, T::I2, summary.codePage, {}},
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
      // 4: Windows Installer 3.0 or later, which reads MsiPatchSequence and
      // MsiPatchMetadata.
      {kWordCountProperty, T::I4, 4, {}},
      {kApplicationProperty, T::Text, 0, "msp_tool"},
      {kSecurityProperty, T::I4, 4, {}},  // read-only enforced
  };

  msi::EncodedTables tables;
  if (!msi::EncodeDatabase(body.rootTables, tables, error)) return false;

  return CompoundFile::Write(
      path, kPatchClassId,
      [&](GsfOutfile* root) {
        bool ok = CompoundFile::AddStream(root, kSummaryStreamName, BuildSummaryStream(props)) &&
                  msi::WriteTableStreams(root, tables);
        for (const auto& t : body.transforms) ok = ok && AddTransform(root, t, error);
        if (!body.files.empty())
          ok = ok && CompoundFile::AddStreamFromFile(
                         root, EncodeStreamName(body.cabinetStream, false), cabinet.path);
        return ok;
      },
      error);
}

}  // namespace msptool
