// Reading a file a package names (an uncompressed source's file, a cabinet
// beside the package) only from inside the package's own folder tree: the
// package's author chose the name, and must not reach /etc/passwd, a file
// through "..", a link out of the tree, a device that never ends or a FIFO
// that never answers.
#pragma once

#include <cstdint>
#include <string>
#include <utility>

namespace msptool {

// An open file descriptor, closed when this goes.
class FileHandle {
 public:
  FileHandle() = default;
  explicit FileHandle(int fd) : fd_(fd) {}
  FileHandle(FileHandle&& other) noexcept;
  FileHandle& operator=(FileHandle&& other) noexcept;
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  ~FileHandle();
  int fd() const { return fd_; }
  // Gives the descriptor up (to a FILE* that closes it), no longer closed here.
  int Release() { return std::exchange(fd_, -1); }
  explicit operator bool() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

// Opens `relative` (a path in '/' form) under the folder `root` for
// reading. False, with `error` saying why, when `relative` is empty or
// absolute, has a ".." part, resolves (every link followed) to a place
// outside `root`, or is no regular file; a device or FIFO is refused
// without blocking.
bool OpenConfined(const std::string& root, const std::string& relative, FileHandle& out,
                  std::string& error);

// Copies what `in` holds to the new file `to`, at most `most` + 1 bytes:
// `copied` tells a file longer than `most` without it being read whole.
bool CopyOpenFile(const FileHandle& in, const std::string& to, std::uint64_t most,
                  std::uint64_t& copied);

}  // namespace msptool
