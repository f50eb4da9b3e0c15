// The summary information of an installer package, as spinstall and msp_tool
// both read it: the property ids and the types their values are stored
// with. Said once here; msp_tool includes this header too.
#pragma once

#include <cstdint>

namespace spinstall::summary_information {

// The properties an installer package uses, by number.
enum PropertyId : std::uint32_t {
  kCodePageProperty = 1,
  kTitleProperty = 2,
  kSubjectProperty = 3,
  kAuthorProperty = 4,
  kKeywordsProperty = 5,  // a patch's version rule
  kCommentsProperty = 6,
  kTemplateProperty = 7,    // a patch's targets; a transform's target platform;language
  kLastAuthorProperty = 8,  // a patch's transforms; a transform's upgraded platform;language
  kRevisionProperty = 9,    // a patch's code; a transform's product codes and versions
  kCreatedProperty = 12,
  kSavedProperty = 13,
  kPageCountProperty = 14,  // the installer version a package or transform needs
  kWordCountProperty = 15,
  kCharacterCountProperty = 16,  // a transform's validation and error conditions
  kApplicationProperty = 18,
  kSecurityProperty = 19,  // the last one the installer defines
};

// The value types a property is stored with (VT_ codes of OLE property sets).
enum ValueType : std::uint32_t {
  kVtEmpty = 0,
  kVtI2 = 2,
  kVtI4 = 3,
  kVtLpstr = 30,
  kVtFileTime = 64,
};

}  // namespace spinstall::summary_information
