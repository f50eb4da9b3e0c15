// Reading summary properties 5 (the version rule) and 7 (the target list) of a
// package file. Every read opens the summary information anew and closes it.
#pragma once

#include <string>

#include "installer/installer_service.h"

namespace spinstall::package {

// The summary handle of the package at `path`; 0 when it cannot be opened,
// with the service's result as the last-error value (206 for a full path of
// more than 259 characters).
installer::Handle OpenPackageSummary(std::wstring path);

// Property 7, whole. `targets` is written only on success.
bool ReadTargetList(std::wstring path, std::wstring& targets);

// Property 5 split at its first ';': the upgrade version before it, the
// candidate versions after it. Without a ';' after the first character, sets
// the last-error value to 4316 and fails. Outputs are written only on success.
bool ReadVersionRule(std::wstring path, std::wstring& upgradeVersion,
                     std::wstring& candidateVersions);

// Property 9, the patch code(s). `patchCode` is written only on success.
bool ReadPatchCode(std::wstring path, std::wstring& patchCode);

}  // namespace spinstall::package
