// Proof of a patch's deltas against the products it targets: each delta the
// patch transforms add for a baseline is applied, with our own decoder, to
// that baseline's file as its package holds it, and must give the file the
// patched database describes: its FileSize, and its MsiFileHash where it has
// one (the installer's own checks: the delta's CRC of the new file, and for
// an unversioned file the hash).
#pragma once

#include <string>
#include <vector>

#include "msi/database.h"

namespace msptool {

struct DeltaProof {
  std::vector<std::string> lines;     // "{code} quillmark.dll: delta of 152 bytes makes 7066"
  std::vector<std::string> problems;  // a delta that does not fit or make the file
};

// `patched` is `baseline` (read from `baselinePath`) with the patch at
// `patchPath` applied; its files are extracted into a folder of its own.
DeltaProof VerifyDeltas(const std::string& patchPath, const std::string& baselinePath,
                        const msi::Database& baseline, const msi::Database& patched);

}  // namespace msptool
