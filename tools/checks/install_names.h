// The names a package gives the files and folders it installs, by Windows
// Installer's rules: a File row's FileName is of the Filename type, a
// Directory row's DefaultDir of the DefaultDir type. A name those rules
// refuse ("..\..\windows\evil.txt") would make the installer write outside
// the product's folder, so msp_tool carries no patch that brings one.
#pragma once

#include <string>
#include <vector>

#include "compound/reader.h"
#include "msi/database.h"
#include "msi/database_diff.h"

namespace msptool {

// Why `value`, a File table FileName, is no Filename; "" when it is one.
std::string FilenameProblem(const std::string& value);
// Why `value`, a Directory table DefaultDir, is no DefaultDir; "" when it is.
std::string DefaultDirProblem(const std::string& value);

// One problem per File and Directory row whose name is refused, naming the
// table, the row and the rule: `table File, row "evil": FileName ...`. Of
// every row of `db`'s File and Directory tables:
std::vector<std::string> InstallNameProblems(const msi::Database& db);
// The same for the rows a transform inserts or changes.
std::vector<std::string> InstallNameProblems(const msi::DatabaseDiff& diff);
// The same for every transform of a patch (`root` with its sub-storages'
// bytes, `transforms` its property 8), each problem after the transform's
// name; a transform that cannot be read is a problem too.
std::vector<std::string> PatchNameProblems(const CompoundEntry& root,
                                           const std::string& transforms);

}  // namespace msptool
