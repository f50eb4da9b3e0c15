// Files the program writes: the extracted package and the patch list. Each
// object owns one open file and closes it when it goes away.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace spinstall::platform {

struct FileHandle;  // the platform's open file

// A package file being written.
class OutputFile {
 public:
  enum class Mode {
    // Create or truncate, following links, as a plain "wb" open does; others
    // may read and write it while it is open.
    CreateOrTruncate,
    // Create a file that did not exist, never through a link; owner-only on
    // the host. Fails with kErrorFileExists when the name is taken.
    CreateNew,
  };

  OutputFile();
  OutputFile(OutputFile&&) noexcept;
  OutputFile& operator=(OutputFile&&) noexcept;
  ~OutputFile();

  // On failure the thread's last-error value says why.
  bool Open(const std::wstring& path, Mode mode);
  bool IsOpen() const;
  // Writes every byte or fails with the last-error value set.
  bool Write(const void* data, std::size_t size);
  // Flushes and closes; false when the file's contents may not have reached
  // the disk.
  bool Close();
  // Closes and removes the file, but only when it is a regular file that this
  // object created or truncated and did not reach through a link. Keeps the
  // last-error value as it was.
  void Discard();

 private:
  std::unique_ptr<FileHandle> file_;
  std::wstring path_;
  bool removable_ = false;
};

// An extracted package held open from the end of its write until the installer
// has read it for the last time: on Windows nobody else may write or delete it
// meanwhile (others may read); on the host it is owner-only anyway.
class HeldFile {
 public:
  HeldFile();
  HeldFile(HeldFile&&) noexcept;
  HeldFile& operator=(HeldFile&&) noexcept;
  ~HeldFile();

  // Opens the file for reading, never through a link.
  bool Open(const std::wstring& path);
  // True when the held file's contents are exactly `size` bytes at `data`.
  bool HasContents(const unsigned char* data, std::size_t size);
  void Close();

 private:
  std::unique_ptr<FileHandle> file_;
};

// The patch-list file: opened for reading and writing, created when missing,
// others may read but not write while it is open.
class ListFile {
 public:
  ListFile();
  ListFile(ListFile&&) noexcept;
  ListFile& operator=(ListFile&&) noexcept;
  ~ListFile();

  bool Open(const std::wstring& path);
  // Moves to the end and returns that offset; -1 on failure.
  std::int64_t SeekEnd();
  bool Write(const void* data, std::size_t size);
  // Cuts the file back to `length` bytes and moves to its new end.
  bool Truncate(std::int64_t length);
  void Close();

 private:
  std::unique_ptr<FileHandle> file_;
};

}  // namespace spinstall::platform
