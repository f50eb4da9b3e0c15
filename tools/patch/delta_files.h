// Binary deltas in place of whole files: for a changed file that every
// target had in its baseline, the patch may carry a delta that turns each
// baseline's bytes into the upgraded ones, applied by the installer's
// PatchFiles action through the system's patch engine.
//
// A delta-patched file keeps its baseline Sequence and Attributes in the
// File table (the data transform changes its size, version, language and
// hash as for a whole file); the patch transform adds a Patch row instead of
// renumbering the File row into the patch's media:
//  - File_: the File key, which also names the delta's cabinet entry;
//  - Sequence: the place the File row would have had in the patch's media;
//  - PatchSize: the delta's length; Attributes 0 (vital: a file the delta
//    does not fit fails the installation rather than staying old);
//  - Header: the delta's header alone, or, when the stream name
//    "Patch.<File_>.<Sequence>" would be longer than a compound file allows,
//    StreamRef_ naming an MsiPatchHeaders row that holds it.
// (Windows Installer documentation: "Patch Table", "MsiPatchHeaders Table",
// "OLE Limitations on Streams", "PatchFiles Action".)
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "patch/derive.h"

namespace msptool {

// What became of one carried file.
struct CarriedForm {
  std::string key;
  bool delta = false;
  std::uint64_t wholeSize = 0;    // the upgraded file's length
  std::uint64_t carriedSize = 0;  // what the cabinet holds of it
  std::size_t oldFiles = 0;       // distinct baseline contents the delta serves
  std::string reason;             // why it stays whole, when it does
};

// Replaces in `patch` (whose files were extracted into `folder`) each file
// that `policy` allows and that every target holding it had in its baseline
// with a delta from the baselines' bytes, where the delta is smaller than the
// whole file compressed; rewrites the patch transforms to match. `forms` gets
// one entry per carried file, in the cabinet's order. False, with `error`
// naming the package and file, when a baseline's file cannot be read.
bool UseDeltas(const std::vector<PatchTarget>& targets, DeltaPolicy policy,
               const std::string& folder, DerivedPatch& patch, std::vector<CarriedForm>& forms,
               std::string& error);

// The name of the Header stream of a Patch row, and whether a compound file
// can hold it.
std::string PatchHeaderStream(const std::string& file, std::int32_t sequence);
bool StreamNameFits(const std::string& name);

}  // namespace msptool
