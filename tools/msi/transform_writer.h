// Writing a transform: a storage with the transform class id, its summary
// information, and the streams EncodeTransform gives.
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "msi/database.h"
#include "msi/transform_encoder.h"

typedef struct _GsfOutfile GsfOutfile;

namespace msptool::msi {

// Property 16's upper word: what the installer checks of the product before
// it applies the transform (page "Summary Information Stream Property Set",
// the Character Count Summary property and CreateTransformSummaryInfo).
enum Validation : std::uint16_t {
  kValidateLanguage = 0x0001,
  kValidateProductCode = 0x0002,
  kValidatePlatform = 0x0004,
  kValidateMajorVersion = 0x0008,
  kValidateMinorVersion = 0x0010,
  kValidateUpdateVersion = 0x0020,
  kValidateNewLessBase = 0x0040,
  kValidateNewLessEqualBase = 0x0080,
  kValidateNewEqualBase = 0x0100,
  kValidateNewGreaterEqualBase = 0x0200,
  kValidateNewGreaterBase = 0x0400,
  kValidateUpgradeCode = 0x0800,
};
// Its lower word: the error conditions the installer lets pass (page
// "MsiDatabaseApplyTransform").
enum ErrorCondition : std::uint16_t {
  kIgnoreAddExistingRow = 0x0001,
  kIgnoreDeleteMissingRow = 0x0002,
  kIgnoreAddExistingTable = 0x0004,
  kIgnoreDeleteMissingTable = 0x0008,
  kIgnoreUpdateMissingRow = 0x0010,
  kIgnoreChangeCodePage = 0x0020,
};

struct TransformSummary {
  std::uint32_t codePage = 0;   // property 1
  std::string target = ";0";    // property 7: the target's platform;language
  std::string upgraded = ";0";  // property 8: the upgraded database's
  // Property 9: "{target product code}version;{upgraded product code}version;{upgrade code}".
  std::string revision;
  // Property 14, the installer version the transform needs: "the greater of
  // the two Page Count Summary property values that belong to the databases
  // used to generate the transform" (page "Page Count Summary property"),
  // which documents it as required.
  std::int32_t pageCount = 0;
  std::uint16_t validation = 0;
  std::uint16_t errorConditions = 0;
};

// From both databases' Property tables: product codes, versions, languages
// and upgrade code; validation of the product code (and upgrade code, when
// the target has one), no error condition let pass: an exact difference
// applies without one.
TransformSummary SummaryFor(const Database& before, const Database& after);

// Writes the string pool and table streams into `storage` (a database's or
// a transform's).
bool WriteTableStreams(GsfOutfile* storage, const EncodedTables& tables);

// Stream bytes by their decoded name ("Table.Key1.Key2").
using StreamBytes = std::map<std::string, std::string>;

// Writes the transform into `storage`; stream cells' streams are those of
// `given`, or else copied from the root of the database file `streamSource`.
bool WriteTransform(GsfOutfile* storage, const EncodedTables& streams,
                    const TransformSummary& summary, const std::string& streamSource,
                    std::string& error, const StreamBytes& given = {});

// The difference of two database files as a transform file at `outPath`.
bool WriteTransformFile(const std::string& beforePath, const std::string& afterPath,
                        const std::string& outPath, std::string& error);

}  // namespace msptool::msi
