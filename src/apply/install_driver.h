// The program's main job: apply the carried patch to every installed target
// product whose version is one the patch was made for.
#pragma once

namespace spinstall::apply {

// True when the loop over the installed products ran to its end.
bool RunInstall();

}  // namespace spinstall::apply
