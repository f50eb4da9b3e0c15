// Running the reading of an outside package in a process of its own: libmsi
// and libgsf crash on some malformed files (found by mutating packages), and
// such a file must end in a message, never take msp_tool down with a signal.
// A time limit ends a child that reads too long (a package made to be slow,
// or a source that never ends) the same way.
#pragma once

#include <functional>

namespace msptool {

// How the child ended: its exit status, or the signal that ended it.
struct ChildEnd {
  bool started = false;  // false when no process could be made
  int status = 0;
  int signal = 0;         // non-zero when the child crashed
  bool timedOut = false;  // ended at the time limit
};

// msp_tool's default time limit for reading one command's packages: generous
// for the largest product, finite for a hostile one.
inline constexpr unsigned kDefaultTimeLimit = 600;

// Runs `work` in a forked child, which shares the terminal's output and ends
// with `work`'s result, and waits for it. Output buffered before the call is
// written first, once. The child is ended after `seconds` of wall-clock time.
ChildEnd RunInChild(const std::function<int()>& work, unsigned seconds = kDefaultTimeLimit);

}  // namespace msptool
