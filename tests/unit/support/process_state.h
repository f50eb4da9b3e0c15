// Puts the process-wide state back as a fresh process has it: the run mode,
// the temporary-name counter, the product list, the current product name, the
// thread locale and the last-error value, the run log and the run's outcome;
// the built-in resources, the installer service and the busy installer's wait.
#pragma once

#include <string>

namespace testsupport {

void ResetProcessState();

// The bytes of the package the build carries.
std::string CarriedPackageBytes();

}  // namespace testsupport
