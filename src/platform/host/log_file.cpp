// Host log files: O_APPEND descriptors, so that each line's one write lands
// whole at the end of the file whoever else appends to it.
#include "platform/log_file.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "platform/host/host_state.h"
#include "platform/host/utf8.h"

namespace spinstall::platform {

struct LogHandle {
  int fd = -1;
  bool breakFirst = false;  // the file's last line had no line end
  ~LogHandle() {
    if (fd >= 0) ::close(fd);
  }
};

namespace {

// Held by every run of ours that writes to or looks at the end of the file:
// a write of one line grows the file page by page, so without it another
// run's look at the last byte could fall in the middle of a line and start
// its own with a needless line break. Waited for a little at most: a reader
// of the log that holds a lock of its own must not stop the run.
class EndLock {
 public:
  explicit EndLock(int fd) : fd_(fd) {
    for (int tries = 0; tries < 200 && ::flock(fd_, LOCK_EX | LOCK_NB) != 0; ++tries) {
      if (errno != EWOULDBLOCK && errno != EINTR) break;
      ::usleep(1000);
    }
  }
  EndLock(const EndLock&) = delete;
  EndLock& operator=(const EndLock&) = delete;
  ~EndLock() { ::flock(fd_, LOCK_UN); }

 private:
  int fd_;
};

// Whether the open file `fd` is a regular file whose last byte is not a line
// feed. Read through a descriptor of its own, opened on the very file, since
// the log's is write-only.
bool LacksFinalLineFeed(int fd) {
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) return false;
  const int reader = ::open(("/proc/self/fd/" + std::to_string(fd)).c_str(), O_RDONLY | O_CLOEXEC);
  if (reader < 0) return false;
  char last = '\n';
  const bool read = ::pread(reader, &last, 1, st.st_size - 1) == 1;
  ::close(reader);
  return read && last != '\n';
}

}  // namespace

LogFile::LogFile() = default;
LogFile::LogFile(LogFile&&) noexcept = default;
LogFile& LogFile::operator=(LogFile&&) noexcept = default;
LogFile::~LogFile() = default;

bool LogFile::Open(const std::wstring& path, Mode mode) {
  const std::string name = host::Narrow(path);
  // A pipe without a reader fails the open instead of blocking it; the
  // descriptor blocks again for the writes.
  const int fd =
      mode == Mode::Append
          ? ::open(name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_NONBLOCK | O_CLOEXEC, 0666)
          : ::open(name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC,
                   0600);
  if (fd < 0) {
    host::SetLastErrorFromErrno();
    return false;
  }
  auto file = std::make_unique<LogHandle>();
  file->fd = fd;
  if (mode == Mode::Append) {
    if (::fcntl(fd, F_SETFL, O_APPEND) != 0) {
      host::SetLastErrorFromErrno();
      return false;
    }
    const EndLock lock(fd);
    file->breakFirst = LacksFinalLineFeed(fd);
  }
  file_ = std::move(file);
  return true;
}

bool LogFile::IsOpen() const { return file_ != nullptr; }

bool LogFile::AppendLine(std::wstring_view text) {
  if (!file_) return false;
  const std::string line = (file_->breakFirst ? "\r\n" : "") + host::Narrow(text) + "\r\n";
  const EndLock lock(file_->fd);
  const std::int64_t written =
      host::Uninterrupted([&] { return ::write(file_->fd, line.data(), line.size()); });
  const bool whole = written >= 0 && static_cast<std::size_t>(written) == line.size();
  if (whole) file_->breakFirst = false;
  return whole;
}

void LogFile::Close() { file_.reset(); }

}  // namespace spinstall::platform
