#include "cli/crash_guard.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <iostream>

namespace msptool {

ChildEnd RunInChild(const std::function<int()>& work, unsigned seconds) {
  // Buffered output would otherwise be written by both processes.
  std::cout.flush();
  std::cerr.flush();
  std::fflush(nullptr);
  const pid_t child = ::fork();
  if (child < 0) return {};
  if (child == 0) {
    // A crash is the answer, not something for a sanitizer's handlers to
    // report.
    for (int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT, SIGALRM})
      std::signal(signal, SIG_DFL);
    // SIGALRM's default action ends the process, even inside a blocking read.
    ::alarm(seconds);
    const int status = work();
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    // _exit: the parent's objects (a temporary file to remove, say) are the
    // parent's to end, and libmsi's die with the process.
    ::_exit(status);
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0) {
    if (errno != EINTR) return {};
  }
  if (WIFSIGNALED(status)) return {true, 1, WTERMSIG(status), WTERMSIG(status) == SIGALRM};
  return {true, WEXITSTATUS(status), 0};
}

}  // namespace msptool
