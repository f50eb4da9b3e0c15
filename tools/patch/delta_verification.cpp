#include "patch/delta_verification.h"

#include <glib.h>

#include <filesystem>
#include <set>

#include "base/file_bytes.h"
#include "base/text.h"
#include "cabinet/reader.h"
#include "compound/reader.h"
#include "compound/stream_name.h"
#include "delta/delta.h"
#include "patch/carried_files.h"

namespace msptool {
namespace {

// A folder of our own under the system's temporary folder, removed with its
// contents when this goes.
struct TempFolder {
  std::string path;
  TempFolder() {
    GError* err = nullptr;
    gchar* made = g_dir_make_tmp("msp_tool-XXXXXX", &err);
    if (made) path = made;
    g_free(made);
    g_clear_error(&err);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;
  ~TempFolder() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
  }
};

// Writes entry `key` of the patch's embedded cabinet `cabinet` ("#stream") to
// `out`.
bool ExtractDelta(const std::string& patchPath, const std::string& cabinet, const std::string& key,
                  const std::string& out) {
  if (cabinet.size() < 2 || cabinet[0] != '#') return false;
  const StreamInput input = OpenRootStream(patchPath, EncodeStreamName(cabinet.substr(1), false));
  if (!input) return false;
  const ByteSource source = GsfBytes(input.get());
  std::set<std::string> found;
  return ExtractCabinetFiles(source, {{key, {out, kAnySize}}}, found) == CabinetRead::Extracted &&
         found.count(key);
}

delta::Bytes Bytes(const std::string& path) {
  std::string text;
  ReadFileBytes(path, text);
  return delta::Bytes(text.begin(), text.end());
}

// MsiFileHash's four parts: the file's MD5 as four little-endian integers.
// (Windows Installer documentation: "MsiFileHash Table", "MsiGetFileHash".)
std::vector<std::int32_t> FileHash(const delta::Bytes& bytes) {
  GChecksum* sum = g_checksum_new(G_CHECKSUM_MD5);
  g_checksum_update(sum, bytes.data(), static_cast<gssize>(bytes.size()));
  guint8 digest[16];
  gsize size = sizeof digest;
  g_checksum_get_digest(sum, digest, &size);
  g_checksum_free(sum);
  std::vector<std::int32_t> parts;
  for (int i = 0; i < 4; ++i)
    parts.push_back(static_cast<std::int32_t>(
        digest[4 * i] | (digest[4 * i + 1] << 8) | (digest[4 * i + 2] << 16) |
        (static_cast<std::uint32_t>(digest[4 * i + 3]) << 24)));
  return parts;
}

}  // namespace

DeltaProof VerifyDeltas(const std::string& patchPath, const std::string& baselinePath,
                        const msi::Database& baseline, const msi::Database& patched) {
  DeltaProof proof;
  const msi::Table* patch = patched.Find("Patch");
  const msi::Table* file = patched.Find("File");
  const msi::Table* baselineFile = baseline.Find("File");
  if (!patch || !file || !baselineFile) return proof;
  const std::string code = msi::PropertyValue(baseline, "ProductCode");
  const TempFolder folder;
  for (const auto& row : patch->rows) {
    const std::string& key = row[0].text;
    if (msi::FindRow(baseline.Find("Patch"), key)) continue;  // an earlier patch's
    const std::string where = code + " " + key;
    const auto problem = [&](const std::string& what) {
      proof.problems.push_back(where + ": " + what);
    };
    const msi::Row* was = msi::FindRow(baselineFile, key);
    const msi::Row* is = msi::FindRow(file, key);
    if (!was || !is) {
      problem("a Patch row for a file the product does not have");
      continue;
    }
    const std::string deltaPath = folder.path + "/" + std::to_string(proof.lines.size()) + ".delta";
    const std::int32_t sequence = msi::Cell(*patch, row, "Sequence").number;
    if (folder.path.empty() ||
        !ExtractDelta(patchPath, MediaIndex(patched).CabinetOf(sequence), key, deltaPath)) {
      problem("the patch's cabinet for sequence " + std::to_string(sequence) +
              " has no readable entry " + Quoted(key));
      continue;
    }
    std::vector<CabinetFile> extracted;
    std::string error;
    const auto baselineSize =
        static_cast<std::uint64_t>(msi::Cell(*baselineFile, *was, "FileSize").number);
    // The checks read no baseline's summary: the default word count.
    if (!ExtractCarriedFiles(
            {BaselineSource(baselinePath, baseline, PatchTarget{}.upgradedWordCount)},
            {{key, baselinePath, baselineSize}}, folder.path, extracted, error) ||
        extracted.empty()) {
      problem("the baseline's file cannot be read: " + error);
      continue;
    }
    const delta::Bytes carried = Bytes(deltaPath);
    if (static_cast<std::int64_t>(carried.size()) != msi::Cell(*patch, row, "PatchSize").number)
      problem("PatchSize " + std::to_string(msi::Cell(*patch, row, "PatchSize").number) +
              " is not the delta's " + std::to_string(carried.size()) + " bytes");
    const delta::DeltaOutcome made = delta::ApplyDelta(carried, Bytes(extracted[0].path));
    if (made.result != delta::DeltaResult::kOk) {
      problem("the delta does not make a file from the baseline's (result " +
              std::to_string(static_cast<int>(made.result)) + ")");
      continue;
    }
    const std::int32_t size = msi::Cell(*file, *is, "FileSize").number;
    if (static_cast<std::int64_t>(made.bytes.size()) != size) {
      problem("the delta makes " + std::to_string(made.bytes.size()) +
              " bytes where the File row says " + std::to_string(size));
      continue;
    }
    const msi::Table* hashes = patched.Find("MsiFileHash");
    if (const msi::Row* hash = msi::FindRow(hashes, key)) {
      const std::vector<std::int32_t> parts = FileHash(made.bytes);
      bool same = true;
      for (std::size_t i = 0; i < 4; ++i)
        same = same &&
               msi::Cell(*hashes, *hash, ("HashPart" + std::to_string(i + 1)).c_str()).number ==
                   parts[i];
      if (!same) {
        problem("the delta makes a file whose hash is not its MsiFileHash row's");
        continue;
      }
    }
    proof.lines.push_back(where + ": delta of " + std::to_string(carried.size()) + " bytes makes " +
                          std::to_string(made.bytes.size()) + " bytes, as the File row says");
  }
  return proof;
}

}  // namespace msptool
