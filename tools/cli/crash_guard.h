// Running the reading of an outside package in a process of its own: libmsi
// and libgsf crash on some malformed files (found by mutating packages), and
// such a file must end in a message, never take msp_tool down with a signal.
#pragma once

#include <functional>

namespace msptool {

// How the child ended: its exit status, or the signal that ended it.
struct ChildEnd {
  bool started = false;  // false when no process could be made
  int status = 0;
  int signal = 0;  // non-zero when the child crashed
};

// Runs `work` in a forked child, which shares the terminal's output and ends
// with `work`'s result, and waits for it. Output buffered before the call is
// written first, once.
ChildEnd RunInChild(const std::function<int()>& work);

}  // namespace msptool
