// A patch derived from its targets' packages, as Windows' own patch tools make
// one: for each target, the package the product was installed from (the
// baseline) and the package it should look like afterwards (the upgraded).
//
// Each target gets a transform pair, in the targets' order:
//  - "T<n>", the data transform: exactly the difference of the two databases
//    (files' sizes, versions and hashes, registry values, new components,
//    ProductVersion: whatever changed);
//  - "#T<n>", the patch transform: the patch's own bookkeeping. The files
//    whose rows change or are new are renumbered into the patch's media range
//    (sequences after the largest of the product's) with
//    msidbFileAttributesPatchAdded (0x1000) added to their attributes; a
//    Media row after the product's largest DiskId refers to the patch's
//    cabinet stream and to the property the installer sets to the patch's
//    path (both named after the patch code, so that two patches of one product
//    never share them); PatchPackage ties the patch code to that row;
//    PATCHNEWPACKAGECODE, PATCHNEWSUMMARYSUBJECT (the product's name) and
//    PATCHNEWSUMMARYCOMMENTS; PatchFiles right after InstallFiles in
//    InstallExecuteSequence and AdminExecuteSequence.
//
// Property 9 of "T<n>" names the baseline and the upgraded product; that of
// "#T<n>" names the upgraded product twice: the installer validates "#T<n>"
// against the database as "T<n>" left it. Property 14 of "T<n>" is the greater
// of the two packages' page counts, that of "#T<n>" at least 300 (its
// bookkeeping needs Windows Installer 3.0).
//
// Property 16 of both: validation 0x0922 in the upper word (product code,
// update version, new version equal to base, upgrade code: the documented
// default of a minor-update patch; 0x0122 for a product without an upgrade
// code), and in the lower word the error conditions 0x0007 (add existing row,
// delete missing row, add existing table): an earlier patch of the product
// may already have added the patch tables, PatchFiles and the
// PATCHNEW... properties. Wine 8.0 reads the lower word as validation flags:
// language, product code and platform, which every target passes.
//
// A transform's code page is the target's, or neutral (0) when every string
// it holds is ASCII.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "msi/database.h"
#include "patch/package_writer.h"

namespace msptool {

struct PatchTarget {
  std::string baselinePath;
  std::string upgradedPath;
  msi::Database baseline;
  msi::Database upgraded;
  std::string upgradedComments;  // the upgraded package's summary property 6
  // Each package's summary property 7, "platform;languages": the languages
  // the installer matches a transform's own property 7 against.
  std::string baselineTemplate;
  std::string upgradedTemplate;
  // Each package's summary property 14, the installer version it needs.
  std::int32_t baselinePageCount = 0;
  std::int32_t upgradedPageCount = 0;
  // Each package's summary property 15 (Word Count): short names (bit 0)
  // and a compressed source (bit 1), as its files' media say. Unknown, it is
  // taken for a compressed package's (2): a file in the cabinet its Media row
  // names, if it names one.
  std::int64_t baselineWordCount = 2;
  std::int64_t upgradedWordCount = 2;
};

enum class DeltaPolicy {
  kNone,       // every file whole
  kVersioned,  // deltas for files with a version only: an unversioned file is
               // the one a user edits, and an edited file fails a delta
  kAll,        // deltas for every file
};

struct PatchOptions {
  std::string patchCode;  // empty: derived from `inputDigest`
  std::string title;      // empty: derived from the upgraded product
  std::string url;        // MoreInfoURL; empty: the upgraded ARPURLINFOABOUT
  std::string classification = "Update";
  // Summary texts; empty: derived from the upgraded product.
  std::string subject;
  std::string author;
  std::string comments;
  // A version rule the databases' must equal; empty: none.
  std::string versionRule;
  bool removable = true;
  DeltaPolicy delta = DeltaPolicy::kNone;  // applied after derivation (delta_files.h)
  std::string inputDigest;                 // a digest of the inputs (their package codes)
};

// A file the patch carries: its File key, the upgraded package whose media
// hold it, and its size there.
struct CarriedFile {
  std::string key;
  std::string package;
  std::uint64_t size = 0;
};

struct DerivedPatch {
  PatchSummary summary;
  PatchBody body;                    // body.files is left to the caller, who extracts `carried`
  std::vector<CarriedFile> carried;  // the cabinet's order
};

// Property 7 lists each product once, however many baselines (pairs) it has:
// each pair still gets its own transform pair, and the installer's validation
// picks the one whose baseline version is installed.
//
// False, with `error` naming the package, table and row, when the targets
// cannot make one patch: a pair that breaks a minor-update rule
// (minor_update_rules.h), upgraded packages of different ProductVersions, a
// version rule in `options` that is not the databases', one
// File key with different contents in two targets, a sequence table without
// InstallFiles; a removable patch that adds rows to a table that makes a
// patch not uninstallable.
bool DerivePatch(const std::vector<PatchTarget>& targets, const PatchOptions& options,
                 DerivedPatch& out, std::string& error);

// A registry-form GUID derived from `seed`: the same seed, the same code.
std::string DerivedCode(const std::string& seed);

}  // namespace msptool
