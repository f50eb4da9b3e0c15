// The bytes of the files a patch carries, taken from the upgraded packages'
// own media, where Windows reads them: a compressed file (by its File row's
// Attributes, else by the package's Word Count) from the cabinet the Media
// table assigns its sequence to (an embedded "#name" stream, or a file beside
// the package); an uncompressed one from the source beside the package, at
// its root in a compressed package, in the Directory table's tree otherwise
// (as for a compressed file whose Media row names no cabinet: an
// administrative image). Those are the bytes a fresh install of the upgraded
// package puts on disk, so the patched product gets exactly them; and a
// package is all a release engineer has to name. Everything is read from
// inside the package's folder only (confined_file.h). An uncompressed file is
// copied file by file; of a cabinet, the blocks the files lie in
// (cabinet_reader.h), or for an LZX folder everything up to them, with gcab;
// each cabinet once for all its files.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "cabinet/writer.h"
#include "patch/derive.h"

namespace msptool {

// The Media rows by LastSequence, for the cabinet of each file's sequence.
class MediaIndex {
 public:
  explicit MediaIndex(const msi::Database& db);
  // The Cabinet of the row with the smallest LastSequence at or above
  // `sequence` (the first such row of the table), or "".
  std::string CabinetOf(std::int32_t sequence) const;

 private:
  std::vector<std::pair<std::int32_t, std::string>> rows_;
};

// A baseline package as ExtractCarriedFiles reads a target's upgraded one:
// to take the files it installed from its own media.
PatchTarget BaselineSource(const std::string& path, const msi::Database& db,
                           std::int64_t wordCount);

// Extracts `carried` into `folder` and lists them for the cabinet, in order.
// False, with `error` naming the package and file, when a file is missing
// from its cabinet or source, lies outside the package's folder, or is of
// another size than its File row.
bool ExtractCarriedFiles(const std::vector<PatchTarget>& targets,
                         const std::vector<CarriedFile>& carried, const std::string& folder,
                         std::vector<CabinetFile>& out, std::string& error);

}  // namespace msptool
