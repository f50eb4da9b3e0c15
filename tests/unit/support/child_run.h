// Runs part of a test in a forked child: as another user, under limits the
// test process must keep, or where it might block.
#pragma once

#include <functional>

namespace testsupport {

constexpr unsigned kNobody = 65534;  // the user and group a root test run becomes

// The child's exit code (126: it could not become kNobody); -1 when a signal
// ended it, or it still ran after 10 seconds.
int RunInChild(const std::function<int()>& body, bool asNobody = false);

}  // namespace testsupport
