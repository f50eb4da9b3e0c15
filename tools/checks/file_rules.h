// Windows' own file rules against a patch, for the products it targets:
// given the baseline packages, which files the patch touches would Windows
// really replace? The installer applies a patch's files with REINSTALLMODE
// "omus": a file on disk is replaced when it is missing or older. So:
//  - a versioned file (File.Version after the transforms) is replaced when
//    that version is higher than the baseline's; equal or lower: kept;
//  - an unversioned file is hashed and compared with the MsiFileHash row of
//    the transformed database: a row equal to the baseline's hash (the file
//    on disk) means "already right", kept; a new hash, or no row, replaced.
// A file the patch carries whole is renumbered into the patch's media
// (msidbFileAttributesPatchAdded); one it carries as a delta has a Patch row
// the product's database did not have. The rules are the same for both.
// The patch is applied as Windows applies it (windows_view.h): the lines say
// which transforms apply to each baseline and which are skipped and why, then
// the verdict on each file; the problems are the view's and the kept files.
#pragma once

#include <string>
#include <vector>

#include "compound/reader.h"
#include "msi/database.h"

namespace msptool {

struct FileRuleReport {
  std::vector<std::string> lines;      // "{code} readme.txt: whole, replaced (new hash)"
  std::vector<std::string> problems;   // kept files, conflicts, undocumented bits
  std::vector<msi::Database> patched;  // each baseline as the patch leaves it
};

// `root` as ReadCompoundStreams gives it with DatabaseStreams and the summary
// streams' bytes; `transforms` property 8.
FileRuleReport CheckFileRules(const CompoundEntry& root, const std::string& transforms,
                              const std::vector<msi::Database>& baselines);

}  // namespace msptool
