// Host log files: O_APPEND descriptors, so that each line's one write lands
// whole at the end of the file whoever else appends to it.
#include "platform/log_file.h"

#include <fcntl.h>
#include <unistd.h>

#include "platform/host/host_state.h"
#include "platform/host/utf8.h"

namespace spinstall::platform {

struct LogHandle {
  int fd = -1;
  ~LogHandle() {
    if (fd >= 0) ::close(fd);
  }
};

LogFile::LogFile() = default;
LogFile::LogFile(LogFile&&) noexcept = default;
LogFile& LogFile::operator=(LogFile&&) noexcept = default;
LogFile::~LogFile() = default;

bool LogFile::Open(const std::wstring& path, Mode mode) {
  const std::string name = host::Narrow(path);
  const int fd = mode == Mode::CreateNew
                     ? ::open(name.c_str(),
                              O_WRONLY | O_APPEND | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)
                     : ::open(name.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    host::SetLastErrorFromErrno();
    return false;
  }
  file_ = std::make_unique<LogHandle>();
  file_->fd = fd;
  return true;
}

bool LogFile::IsOpen() const { return file_ != nullptr; }

bool LogFile::AppendLine(std::wstring_view text) {
  if (!file_) return false;
  const std::string line = host::Narrow(text) + "\n";
  const std::int64_t written =
      host::Uninterrupted([&] { return ::write(file_->fd, line.data(), line.size()); });
  return written >= 0 && static_cast<std::size_t>(written) == line.size();
}

void LogFile::Close() { file_.reset(); }

}  // namespace spinstall::platform
