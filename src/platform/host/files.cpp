// Host files: POSIX descriptors. The extracted package is owner-only when its
// name was generated; the patch list takes a write lock where Windows would
// deny others write access.
#include "platform/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "platform/error_codes.h"
#include "platform/host/host_state.h"
#include "platform/host/utf8.h"
#include "platform/last_error.h"

namespace spinstall::platform {

struct FileHandle {
  int fd = -1;
  dev_t device = 0;
  ino_t inode = 0;
  ~FileHandle() {
    if (fd >= 0) ::close(fd);
  }
};

namespace {

bool WriteAll(int fd, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (size > 0) {
    const ssize_t written = ::write(fd, bytes, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      host::SetLastErrorFromErrno();
      return false;
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

}  // namespace

OutputFile::OutputFile() = default;
OutputFile::OutputFile(OutputFile&&) noexcept = default;
OutputFile& OutputFile::operator=(OutputFile&&) noexcept = default;
OutputFile::~OutputFile() = default;

bool OutputFile::Open(const std::wstring& path, Mode mode) {
  const std::string name = host::Narrow(path);
  struct stat before;
  const bool throughLink = ::lstat(name.c_str(), &before) == 0 && S_ISLNK(before.st_mode);
  const int fd =
      mode == Mode::CreateNew
          ? ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600)
          : ::open(name.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
  if (fd < 0) {
    host::SetLastErrorFromErrno();
    return false;
  }
  file_ = std::make_unique<FileHandle>();
  file_->fd = fd;
  struct stat st;
  // Only a regular file reached by its own name may be removed again.
  removable_ = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && !throughLink;
  file_->device = st.st_dev;
  file_->inode = st.st_ino;
  path_ = path;
  return true;
}

bool OutputFile::IsOpen() const { return file_ && file_->fd >= 0; }

bool OutputFile::Write(const void* data, std::size_t size) {
  if (!IsOpen()) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  return WriteAll(file_->fd, data, size);
}

bool OutputFile::Close() {
  if (!IsOpen()) return false;
  const int fd = file_->fd;
  file_->fd = -1;
  if (::close(fd) != 0) {
    host::SetLastErrorFromErrno();
    return false;
  }
  return true;
}

void OutputFile::Discard() {
  if (!file_) return;
  const std::uint32_t error = LastError();
  if (file_->fd >= 0) {
    ::close(file_->fd);
    file_->fd = -1;
  }
  struct stat st;
  const std::string name = host::Narrow(path_);
  // Still the very file we wrote, under the same name?
  if (removable_ && ::lstat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
      st.st_dev == file_->device && st.st_ino == file_->inode)
    ::unlink(name.c_str());
  removable_ = false;
  SetLastError(error);
}

HeldFile::HeldFile() = default;
HeldFile::HeldFile(HeldFile&&) noexcept = default;
HeldFile& HeldFile::operator=(HeldFile&&) noexcept = default;
HeldFile::~HeldFile() = default;

bool HeldFile::Open(const std::wstring& path) {
  const int fd = ::open(host::Narrow(path).c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) {
    host::SetLastErrorFromErrno();
    return false;
  }
  file_ = std::make_unique<FileHandle>();
  file_->fd = fd;
  return true;
}

bool HeldFile::HasContents(const unsigned char* data, std::size_t size) {
  if (!file_ || ::lseek(file_->fd, 0, SEEK_SET) != 0) return false;
  unsigned char chunk[65536];
  std::size_t at = 0;
  for (;;) {
    const ssize_t n = ::read(file_->fd, chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      host::SetLastErrorFromErrno();
      return false;
    }
    if (n == 0) return at == size;
    if (static_cast<std::size_t>(n) > size - at || std::memcmp(chunk, data + at, n) != 0)
      return false;
    at += static_cast<std::size_t>(n);
  }
}

void HeldFile::Close() { file_.reset(); }

ListFile::ListFile() = default;
ListFile::ListFile(ListFile&&) noexcept = default;
ListFile& ListFile::operator=(ListFile&&) noexcept = default;
ListFile::~ListFile() = default;

bool ListFile::Open(const std::wstring& path) {
  const int fd = ::open(host::Narrow(path).c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
  if (fd < 0) {
    host::SetLastErrorFromErrno();
    return false;
  }
  auto file = std::make_unique<FileHandle>();
  file->fd = fd;
  // Nobody else may write while we append: a whole-file write lock.
  struct flock lock = {};
  lock.l_type = F_WRLCK;
  lock.l_whence = SEEK_SET;
  if (::fcntl(fd, F_SETLK, &lock) != 0) {
    host::SetLastErrorFromErrno();
    return false;
  }
  file_ = std::move(file);
  return true;
}

std::int64_t ListFile::SeekEnd() {
  if (!file_) return -1;
  const off_t end = ::lseek(file_->fd, 0, SEEK_END);
  if (end < 0) host::SetLastErrorFromErrno();
  return end;
}

bool ListFile::Write(const void* data, std::size_t size) {
  return file_ && WriteAll(file_->fd, data, size);
}

bool ListFile::Truncate(std::int64_t length) {
  if (!file_) return false;
  if (::ftruncate(file_->fd, static_cast<off_t>(length)) != 0 ||
      ::lseek(file_->fd, 0, SEEK_END) < 0) {
    host::SetLastErrorFromErrno();
    return false;
  }
  return true;
}

void ListFile::Close() { file_.reset(); }

}  // namespace spinstall::platform
