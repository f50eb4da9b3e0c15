// Writing the patch package: a compound file with the patch class id, its
// summary information, an empty string pool, the transforms and the cabinet.
//
// How the patch reaches its products (found by applying it under Wine's
// msi.dll, which applies each transform that property 8 lists and whose
// validation a product passes, then adds the media rows it brought along):
//
//  - "Version1" ... "VersionN": one transform per target product code, in
//    property 7's order, validated by product code (flag 0x0002). Each changes
//    Property[ProductVersion] to the upgrade version, and nothing else, so it
//    fits any product with that code, whatever its upgrade code and files.
//  - "Files": validated by the upgrade code of the product family whose files
//    the patch replaces (flag 0x0800). It updates those File rows (new size,
//    the patch-added attribute, a sequence number above the product's) and adds
//    a Media row whose cabinet is the root stream "patch.cab". A product of
//    another family never gets it: a File change for a key it does not have
//    would otherwise be added as a half-empty File row, and its Media table
//    would gain a disk it cannot use.
//
// Every product code thus meets exactly one Version transform, and only the
// family the files belong to meets the Files transform. Validation flags sit
// in the low word of property 16, where Wine reads them.
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
