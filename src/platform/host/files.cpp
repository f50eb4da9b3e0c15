// Host files: POSIX descriptors. The extracted package is owner-only when its
// name was generated; the patch list takes a write lock where Windows would
// deny others write access, and is opened for appending.
#include "platform/files.h"

#include <fcntl.h>
#include <link.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstdint>
#include <optional>

#include "platform/error_codes.h"
#include "platform/file_io.h"
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

struct ImageSearch {
  std::uintptr_t begin, end;
  std::optional<off64_t> offset;
};

// Where [begin, end) lies in the main program's file, if it lies within one
// segment's file-backed bytes.
int FindInImage(dl_phdr_info* info, std::size_t, void* data) {
  auto* search = static_cast<ImageSearch*>(data);
  for (int i = 0; i < info->dlpi_phnum; ++i) {
    const ElfW(Phdr)& segment = info->dlpi_phdr[i];
    if (segment.p_type != PT_LOAD) continue;
    const std::uintptr_t start = info->dlpi_addr + segment.p_vaddr;
    if (search->begin >= start && search->end <= start + segment.p_filesz)
      search->offset = static_cast<off64_t>(segment.p_offset + (search->begin - start));
  }
  return 1;  // the first entry is the main program: look no further
}

std::optional<off64_t> ImageOffset(const unsigned char* data, std::size_t size) {
  ImageSearch search{reinterpret_cast<std::uintptr_t>(data),
                     reinterpret_cast<std::uintptr_t>(data) + size, std::nullopt};
  ::dl_iterate_phdr(FindInImage, &search);
  return search.offset;
}

}  // namespace

namespace io {

std::int64_t WriteOnce(FileHandle& file, const unsigned char* data, std::size_t size) {
  return host::Uninterrupted([&] { return ::write(file.fd, data, size); });
}

std::int64_t CopyFromImage(FileHandle& file, const unsigned char* data, std::size_t size) {
  const auto offset = ImageOffset(data, size);
  if (!offset) return 0;
  const int image = ::open("/proc/self/exe", O_RDONLY | O_CLOEXEC);
  if (image < 0) return 0;
  off64_t at = *offset;
  std::size_t copied = 0;
  while (copied < size) {
    const ssize_t n = ::copy_file_range(image, &at, file.fd, nullptr, size - copied, 0);
    if (n > 0) {
      copied += static_cast<std::size_t>(n);
      continue;
    }
    if (n < 0 && errno == EINTR) continue;
    // Not offered here (another file system, an old kernel): the caller
    // writes the rest. A real failure (a full disk) is the write's failure.
    const bool unsupported = n == 0 || errno == EXDEV || errno == ENOSYS || errno == EINVAL ||
                             errno == EOPNOTSUPP || errno == EBADF;
    if (!unsupported) host::SetLastErrorFromErrno();
    ::close(image);
    return unsupported ? static_cast<std::int64_t>(copied) : -1;
  }
  ::close(image);
  return static_cast<std::int64_t>(copied);
}

std::int64_t ReadOnce(FileHandle& file, unsigned char* data, std::size_t size) {
  return host::Uninterrupted([&] { return ::read(file.fd, data, size); });
}

bool SeekTo(FileHandle& file, std::int64_t offset) {
  if (::lseek(file.fd, static_cast<off_t>(offset), SEEK_SET) == offset) return true;
  host::SetLastErrorFromErrno();
  return false;
}

std::int64_t Length(FileHandle& file) {
  struct stat st;
  if (::fstat(file.fd, &st) == 0) return st.st_size;
  host::SetLastErrorFromErrno();
  return -1;
}

}  // namespace io

namespace {

// The folder part of a path, with its trailing '/'; empty for a bare name.
std::string FolderOf(const std::string& path) {
  const auto cut = path.rfind('/');
  return cut == std::string::npos ? std::string() : path.substr(0, cut + 1);
}

// Makes a rename in `folder` survive a crash.
void SyncFolder(const std::string& folder) {
  const int fd = ::open(folder.empty() ? "." : folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);  // the rename itself is done; a failure here leaves it in the cache only
  ::close(fd);
}

}  // namespace

OutputFile::OutputFile() = default;
OutputFile::OutputFile(OutputFile&&) noexcept = default;
OutputFile& OutputFile::operator=(OutputFile&&) noexcept = default;
OutputFile::~OutputFile() = default;

bool OutputFile::Open(const std::wstring& path, Mode mode) {
  const std::string name = host::Narrow(path);
  constexpr int kExclusive = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC;
  // A pipe without a reader would block the open: it fails at once instead,
  // and the descriptor blocks again for the writes.
  const int fd = mode == Mode::CreateOrTruncate
                     ? ::open(name.c_str(), O_WRONLY | O_NONBLOCK | O_CLOEXEC)
                     : ::open(name.c_str(), kExclusive, mode == Mode::CreateNew ? 0600 : 0666);
  if (fd < 0) {
    host::SetLastErrorFromErrno();
    return false;
  }
  file_ = std::make_unique<FileHandle>();
  file_->fd = fd;
  struct stat st;
  const bool known = ::fstat(fd, &st) == 0;
  if (mode == Mode::CreateOrTruncate) {
    // A regular file that took the device's name meanwhile is never written
    // in place.
    if (!known || S_ISREG(st.st_mode) || ::fcntl(fd, F_SETFL, 0) != 0) {
      file_.reset();
      SetLastError(kErrorAccessDenied);
      return false;
    }
  }
  removable_ = mode != Mode::CreateOrTruncate && known;
  file_->device = removable_ ? st.st_dev : 0;
  file_->inode = removable_ ? st.st_ino : 0;
  path_ = path;
  return true;
}

void OutputFile::TakeOwnerAndModeOf(const std::wstring& target) {
  struct stat st;
  if (!IsOpen() || ::stat(host::Narrow(target).c_str(), &st) != 0) return;
  // Root may give it the old owner; anyone may give it a group of their own.
  if (::fchown(file_->fd, st.st_uid, st.st_gid) != 0)
    ::fchown(file_->fd, static_cast<uid_t>(-1), st.st_gid);
  // Set after the owner, which clears setuid and setgid; never set again: a
  // file written by this run is nobody's privileged program.
  ::fchmod(file_->fd, st.st_mode & 0777);
}

bool OutputFile::IsOpen() const { return file_ && file_->fd >= 0; }

bool OutputFile::Close(Sync sync) {
  if (!IsOpen()) return false;
  const int fd = file_->fd;
  file_->fd = -1;
  const bool synced = sync == Sync::None || ::fsync(fd) == 0;
  if (!synced) host::SetLastErrorFromErrno();
  if (::close(fd) != 0 && synced) {
    host::SetLastErrorFromErrno();
    return false;
  }
  return synced;
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
  // Still the very file we created, under the same name?
  if (removable_ && ::lstat(name.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
      st.st_dev == file_->device && st.st_ino == file_->inode)
    ::unlink(name.c_str());
  removable_ = false;
  SetLastError(error);
}

OutputTarget ResolveOutputTarget(const std::wstring& path) {
  std::string name = host::Narrow(path);
  // The kernel's own bound on links followed in one lookup.
  for (int hop = 0; hop < 40; ++hop) {
    char link[PATH_MAX];
    const ssize_t n = ::readlink(name.c_str(), link, sizeof link);
    if (n <= 0 || n == static_cast<ssize_t>(sizeof link)) break;
    const std::string next(link, static_cast<std::size_t>(n));
    name = next.front() == '/' ? next : FolderOf(name) + next;
  }
  OutputTarget target{host::Widen(name), OutputTarget::Kind::Replace};
  struct stat st;
  if (::lstat(name.c_str(), &st) != 0) {
    if (errno != ENOENT) {
      host::SetLastErrorFromErrno();
      target.kind = OutputTarget::Kind::Refused;
    }
  } else if (S_ISDIR(st.st_mode)) {
    SetLastError(kErrorAccessDenied);
    target.kind = OutputTarget::Kind::Refused;
  } else if (!S_ISREG(st.st_mode)) {
    target.kind = OutputTarget::Kind::Direct;
  } else if (::access(name.c_str(), W_OK) != 0) {
    // A file we may not write is not ours to replace either, as a read-only
    // file on Windows.
    host::SetLastErrorFromErrno();
    target.kind = OutputTarget::Kind::Refused;
  }
  return target;
}

bool MoveIntoPlace(const std::wstring& from, const std::wstring& to) {
  const std::string target = host::Narrow(to);
  if (::rename(host::Narrow(from).c_str(), target.c_str()) != 0) {
    host::SetLastErrorFromErrno();
    return false;
  }
  SyncFolder(FolderOf(target));
  return true;
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

void HeldFile::Close() { file_.reset(); }

ListFile::ListFile() = default;
ListFile::ListFile(ListFile&&) noexcept = default;
ListFile& ListFile::operator=(ListFile&&) noexcept = default;
ListFile::~ListFile() = default;

bool ListFile::Open(const std::wstring& path) {
  const int fd = ::open(host::Narrow(path).c_str(), O_RDWR | O_APPEND | O_CREAT | O_CLOEXEC, 0666);
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

bool ListFile::Truncate(std::int64_t length) {
  if (!file_) return false;
  if (::ftruncate(file_->fd, static_cast<off_t>(length)) != 0) {
    host::SetLastErrorFromErrno();
    return false;
  }
  return true;
}

void ListFile::Close() { file_.reset(); }

}  // namespace spinstall::platform
