#include "base/confined_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <utility>

#include "base/error.h"
#include "base/text.h"

namespace msptool {
namespace {

// The path with every link resolved, or "" when some part does not exist.
std::string Resolved(const std::string& path) {
  std::unique_ptr<char, void (*)(void*)> real(::realpath(path.c_str(), nullptr), std::free);
  return real ? std::string(real.get()) : std::string();
}

}  // namespace

FileHandle::FileHandle(FileHandle&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}

FileHandle& FileHandle::operator=(FileHandle&& other) noexcept {
  std::swap(fd_, other.fd_);
  return *this;
}

FileHandle::~FileHandle() {
  if (fd_ >= 0) ::close(fd_);
}

bool OpenConfined(const std::string& root, const std::string& relative, FileHandle& out,
                  std::string& error) {
  const std::string what = Quoted(relative);
  if (relative.empty() || relative[0] == '/')
    return Refuse(error, what + " is not a path inside the package's folder");
  for (const auto& part : Split(relative, '/'))
    if (part == "..") return Refuse(error, what + " leaves the package's folder (\"..\")");
  const std::string top = Resolved(root);
  const std::string file = Resolved(root + "/" + relative);
  if (top.empty() || file.empty()) return Refuse(error, what + " does not exist");
  if (file.compare(0, top.size() + 1, top + "/") != 0 && top != "/")
    return Refuse(error, what + " is a link to " + Quoted(file) + ", outside the package's folder");
  // Resolved: no link is left to follow, and a FIFO opened without blocking
  // is refused below like a device.
  FileHandle handle(::open(file.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC));
  struct stat facts {};
  if (!handle || ::fstat(handle.fd(), &facts) != 0) return Refuse(error, what + " cannot be read");
  if (!S_ISREG(facts.st_mode)) return Refuse(error, what + " is not a regular file");
  out = std::move(handle);
  return true;
}

bool CopyOpenFile(const FileHandle& in, const std::string& to, std::uint64_t most,
                  std::uint64_t& copied) {
  FileHandle out(::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0666));
  if (!out || ::lseek(in.fd(), 0, SEEK_SET) != 0) return false;
  copied = 0;
  char piece[65536];
  while (copied <= most) {
    const ssize_t n = ::read(in.fd(), piece, sizeof piece);
    if (n < 0) return false;
    if (n == 0) break;
    if (::write(out.fd(), piece, static_cast<std::size_t>(n)) != n) return false;
    copied += static_cast<std::uint64_t>(n);
  }
  return true;
}

}  // namespace msptool
