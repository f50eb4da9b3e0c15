// The /p mode: appends the carried patch descriptors to a patch-list file.
#pragma once

#include <string>

namespace spinstall::admin {

// The default list name for a target list: "patchlist", then of the text after
// the first ':' the at most 4 characters after its first '-' (or its first 4
// without a '-'), then ".txt".
std::wstring DefaultListName(const std::wstring& targetList);

// Appends one block (a line of five asterisks, the descriptor, CR LF) per
// descriptor 206, 207, ... to the list file at `listPath`; an empty path is
// replaced by the default name. False only when the list file cannot be
// opened. A block whose write fails is cut off again, and nothing after it is
// appended.
bool ExportPatchList(std::wstring& listPath);

}  // namespace spinstall::admin
