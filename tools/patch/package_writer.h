// Writing the patch package: a compound file with the patch class id, its
// summary information, its root tables (MsiPatchSequence, MsiPatchMetadata),
// the transforms and the cabinet of the files it carries. What goes in is
// derived elsewhere (patch_derive.h); this file only lays it out.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cabinet/writer.h"
#include "msi/database_diff.h"
#include "msi/transform_writer.h"

namespace msptool {

struct PatchSummary {
  // Property 1: the code page the texts below are stored in.
  std::uint32_t codePage = 1252;
  std::string title;
  std::string subject;
  std::string author;
  std::string keywords;  // property 5: the version rule
  std::string comments;
  std::string targets;    // property 7: the target product codes
  std::string patchCode;  // property 9
};

struct Transform {
  std::string name;  // the sub-storage's name; property 8 lists it as ":name"
  msi::TransformSummary summary;
  msi::DatabaseDiff diff;
  // The bytes of the streams its rows' stream cells name ("Table.Key1.Key2"),
  // where they come from no database file.
  msi::StreamBytes streams = {};
};

// Everything of a patch but its summary.
struct PatchBody {
  std::vector<Transform> transforms;  // in property 8's order
  msi::Database rootTables;           // the patch's own tables
  std::vector<CabinetFile> files;     // the cabinet's files, in sequence order
  std::string cabinetStream;          // the cabinet's root stream (unencoded)
};

// Writes the values as they are, checked or not: checking is the caller's.
bool WritePatchPackage(const PatchSummary& summary, const PatchBody& body, const std::string& path,
                       std::string& error);

}  // namespace msptool
