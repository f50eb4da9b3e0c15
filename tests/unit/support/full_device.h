// A device on which every write fails for want of room.
#pragma once

#include <string>

namespace testsupport {

// A private node of the full device made in `directory` when this process may
// make device nodes, else "/dev/full". Tests that check a device survives a
// failed write then risk only their own node.
std::string FullDevice(const std::string& directory);

}  // namespace testsupport
