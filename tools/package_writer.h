// Writing the patch package: a compound file with the patch class id, its
// summary information, an empty string pool, the transforms and the cabinet.
//
// How the patch reaches its products. Wine's msi.dll applies, in property 8's
// order, each transform whose validation (property 16) the product passes,
// then adds the media rows the transform brought along; it applies a patch
// only to the products that property 7 names.
//
//  - "Version1" ... "VersionN": one transform per target product code, in
//    property 7's order, validated by that product code (0x0002). Each changes
//    Property[ProductVersion] to the upgrade version and nothing else, so it
//    fits any product with that code, whatever its upgrade code and files.
//    (A single unvalidated transform reaches them as well under Wine, which
//    checks property 7 first; one per code binds each change to the product
//    it was made for, whoever applies the transforms.)
//  - "Files": validated by the upgrade code of the family whose files the
//    patch replaces (0x0800). It updates those File rows (new size, vital and
//    patch-added attributes, a sequence above the product's) and adds a Media
//    row whose cabinet is the root stream "patch.cab"; the installer moves the
//    row and the sequences to numbers of its own when it applies the patch.
//    Tried under Wine without the validation: a product of another family
//    with other File keys only gains rows the installer ignores, but one that
//    uses the same keys (a lookalike built from the family's template) gets
//    the family's files written over its own. With it, no other family is
//    touched.
//
// Wine reads the validation flags from the low word of property 16. The
// transforms validate neither language nor version, so the language in their
// properties 7 and 8 is neutral (0).
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

}  // namespace msptool
