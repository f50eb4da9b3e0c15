// The bytes of the files a patch carries, taken from the upgraded packages'
// own media: the cabinet (embedded "#name" stream, or a file beside the
// package) that the Media table assigns each file's sequence to, or for an
// uncompressed source (a Media row without a cabinet, an administrative
// image) the file in the source tree beside the package, by the Directory
// table's source names. Those are the bytes a fresh install of the upgraded
// package puts on disk, so the patched product gets exactly them; and a
// package is all a release engineer has to name. An uncompressed source is
// read file by file; of a cabinet, the blocks the files lie in
// (cabinet_reader.h), or for an LZX folder everything up to them, with gcab.
#pragma once

#include <string>
#include <vector>

#include "cabinet/writer.h"
#include "patch/derive.h"

namespace msptool {

// Extracts `carried` into `folder` and lists them for the cabinet, in order.
// False, with `error` naming the package and file, when a file is missing
// from its cabinet or source tree, or of another size than its File row.
bool ExtractCarriedFiles(const std::vector<PatchTarget>& targets,
                         const std::vector<CarriedFile>& carried, const std::string& folder,
                         std::vector<CabinetFile>& out, std::string& error);

}  // namespace msptool
