#include "support/child_run.h"

#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

namespace testsupport {

int RunInChild(const std::function<int()>& body, bool asNobody) {
  const pid_t child = ::fork();
  if (child == 0) {
    ::alarm(10);
    if (asNobody &&
        (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0))
      ::_exit(126);
    ::_exit(body());
  }
  int status = -1;
  ::waitpid(child, &status, 0);
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace testsupport
