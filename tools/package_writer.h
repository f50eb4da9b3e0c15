// Writing the patch package: a compound file with the patch class id, its
// summary information, an empty string pool, the transforms and the cabinet.
//
// The shape Windows Installer applies: property 8 lists transform pairs,
// ":T1;:#T1;:T2;:#T2;...", each data transform "T<n>" followed by its patch
// transform "#T<n>"; the root carries MsiPatchSequence and property 15 = 1.
//
//  - With files to replace, "T1" ... "T<N>" come first, one per target
//    product code in property 7's order: the data transform changes
//    Property[ProductVersion] and the File rows' sizes, and is validated by
//    that product code and by the upgrade code of the family whose files
//    they are. Then, in every case, one pair per target that changes
//    ProductVersion alone, validated by the product code only: a product of
//    another family (even one that uses the same File keys) gets the new
//    version and keeps its files.
//  - Every patch transform brings the Media row of the cabinet stream
//    "patch.cab" (LastSequence above the products' own; the installer moves
//    the row and the patch's sequences to numbers of its own), the Patch,
//    PatchPackage and MsiPatchHeaders tables with a PatchPackage row that ties
//    the patch code to that row, PATCHNEWPACKAGECODE and
//    PATCHNEWSUMMARYSUBJECT, and PatchFiles in InstallExecuteSequence; with
//    files, also their patch-added attributes and new sequences.
//
// Property 16. Windows reads the validation flags from its upper word and
// the error conditions to suppress from its lower word; Wine 8.0 reads the
// lower word as the validation flags and ignores the upper one. So:
//  - upper word: product code (0x0002), plus upgrade code (0x0800) where
//    files change. This is what Windows checks against each product.
//  - lower word: 0x0007, suppressing "add existing row", "delete missing
//    row" and "add existing table". A family product passes both of its
//    pairs, so the second patch transform adds the Media, PatchPackage,
//    Property and sequence rows (and tables) the first one added; a product
//    may also have those tables already. Wine reads the same bits as
//    language (the transforms' language is neutral, which every product
//    matches), product code (what it must check) and platform (which it
//    does not check).
//  - where files change, also 0x0800 in the lower word: for Wine, the upgrade
//    code validation that keeps a lookalike's files; the error conditions end
//    at 0x0020, so Windows gives the bit no meaning.
#pragma once

#include <string>

#include "patch_transforms.h"

namespace msptool {

struct PatchSummary {
  std::string title;
  std::string subject;
  std::string author;
  std::string keywords;  // property 5: the version rule
  std::string comments;
  std::string targets;    // property 7: the target product codes
  std::string patchCode;  // property 9
};

// Writes the values as they are, checked or not: checking is the caller's.
bool WritePatchPackage(const PatchSummary& summary, const PatchContent& content,
                       const std::string& path, std::string& error);
// The same with the transforms given (BuildTransforms' or others).
bool WritePatchPackage(const PatchSummary& summary, const PatchContent& content,
                       const std::vector<Transform>& transforms, const std::string& path,
                       std::string& error);

}  // namespace msptool
