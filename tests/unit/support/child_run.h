// Runs a piece of a test in a forked child: under limits or another user that
// the test process itself must not take on, or where it might block.
#pragma once

#include <sys/types.h>

#include <functional>

namespace testsupport {

// The unprivileged user (and group) a root test run becomes.
constexpr uid_t kNobody = 65534;

// Runs `body` in a child, as kNobody when `asNobody` (the child fails with 126
// when it cannot switch), and gives its exit code; -1 when a signal ended it
// or it was still running after 10 seconds (it is killed then).
int RunInChild(const std::function<int()>& body, bool asNobody = false);

}  // namespace testsupport
