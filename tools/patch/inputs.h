// What "msp_tool create" and "msp_tool author" read: the pairs of packages a
// patch is derived from, and from the definition of the carried package the
// pairs it names.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "patch/definition.h"
#include "patch/delta_files.h"
#include "patch/derive.h"

namespace msptool {

using PackagePair = std::pair<std::string, std::string>;  // baseline, upgraded

// Reads every pair's databases and summaries; `digest` gets a digest of the
// packages' codes (each names one package's exact contents), in order.
bool ReadPatchTargets(const std::vector<PackagePair>& pairs, std::vector<PatchTarget>& targets,
                      std::string& digest, std::string& error);

// Derives the patch and writes it to `outPath`, a new file in a folder of
// the command's own: the carried files are extracted beside it on the way
// (and made deltas where `options.delta` says); `forms`, when given, gets
// what became of each carried file.
bool CreatePatch(const std::vector<PackagePair>& pairs, PatchOptions options,
                 const std::string& outPath, std::string& error,
                 std::vector<CarriedForm>* forms = nullptr);

// The pairs a definition names: for each "target", in order, its package at
// release "baseline" and at release "upgrade", as the list in "packages"
// (product code, release, path; tab-separated lines) gives them.
bool DefinitionPairs(const Definition& def, std::vector<PackagePair>& pairs, std::string& error);

}  // namespace msptool
