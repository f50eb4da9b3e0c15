#include "support/foreign_lock.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

namespace testsupport {

ForeignWriteLock::ForeignWriteLock(const std::string& path) {
  int ready[2];
  int release[2];
  if (::pipe(ready) != 0) return;
  if (::pipe(release) != 0) {
    ::close(ready[0]);
    ::close(ready[1]);
    return;
  }
  child_ = ::fork();
  if (child_ == 0) {
    ::close(ready[0]);
    ::close(release[1]);
    const int fd = ::open(path.c_str(), O_RDWR | O_CREAT, 0666);
    struct flock lock = {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    const char held = fd >= 0 && ::fcntl(fd, F_SETLK, &lock) == 0 ? 'y' : 'n';
    if (::write(ready[1], &held, 1) != 1) ::_exit(1);
    char ignored;
    while (::read(release[0], &ignored, 1) < 0 && errno == EINTR) {
    }
    ::_exit(0);
  }
  ::close(ready[1]);
  ::close(release[0]);
  release_ = release[1];
  char answer = 'n';
  if (child_ > 0) {
    while (::read(ready[0], &answer, 1) < 0 && errno == EINTR) {
    }
  }
  ::close(ready[0]);
  held_ = answer == 'y';
}

ForeignWriteLock::~ForeignWriteLock() {
  if (release_ >= 0) ::close(release_);
  if (child_ > 0) {
    int status = 0;
    while (::waitpid(child_, &status, 0) < 0 && errno == EINTR) {
    }
  }
}

}  // namespace testsupport
