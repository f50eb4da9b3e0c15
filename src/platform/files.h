// Files the program writes: the extracted package and the patch list. Each
// object owns one open file and closes it when it goes away. The logic that is
// the same on both systems lives in files.cpp, over the few primitives that
// file_io.h names and each system's files.cpp provides.
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
    // Open a device or pipe that is already there, following links, as a
    // plain "wb" open does, without waiting for a reader; others may read and
    // write it while it is open. Never removed.
    CreateOrTruncate,
    // Create a file that did not exist, never through a link; owner-only on
    // the host. Fails with kErrorFileExists when the name is taken.
    CreateNew,
    // As CreateNew, with the permissions a "wb" open gives a new file: the
    // file that is to take another's place (MoveIntoPlace).
    CreateReplacement,
  };
  // Whether Close waits until the contents are on the disk.
  enum class Sync { None, ToDisk };

  OutputFile();
  OutputFile(OutputFile&&) noexcept;
  OutputFile& operator=(OutputFile&&) noexcept;
  ~OutputFile();

  // On failure the thread's last-error value says why.
  bool Open(const std::wstring& path, Mode mode);
  bool IsOpen() const;
  // Writes every byte, in bounded pieces, or fails with the last-error value
  // set.
  bool Write(const void* data, std::size_t size);
  // Closes; false when the contents may not have reached the disk (with
  // Sync::ToDisk) or the close failed.
  bool Close(Sync sync);
  // Gives this new file what the file `target` it is to replace has: on the
  // host its permission bits without setuid and setgid, and its owner and
  // group where the run may set them (as root); on Windows its attributes
  // (the replace itself carries them over too, with security and streams).
  // Best effort.
  void TakeOwnerAndModeOf(const std::wstring& target);
  // Closes and removes the file, but only when this object created it (the
  // CreateNew modes) and it is still there under its name. Keeps the
  // last-error value as it was.
  void Discard();

 private:
  std::unique_ptr<FileHandle> file_;
  std::wstring path_;
  bool removable_ = false;
};

// Where an output path finally leads: the end of the chain of symbolic links
// that starts at it (the path itself when it is no link), and how it is
// written: a new file takes its place (nothing is there yet, or a regular
// file we may write), it is written directly (a device or pipe), or not at
// all (a folder, a read-only file; the last-error value says why).
struct OutputTarget {
  enum class Kind { Replace, Direct, Refused };
  std::wstring path;
  Kind kind = Kind::Refused;
};
OutputTarget ResolveOutputTarget(const std::wstring& path);

// Puts the closed file `from` in the place of `to` in one step, replacing
// the file that is there (keeping its attributes and security on Windows), or
// taking the name when there is none, and makes the change durable. On
// failure the last-error value says why; `to` is as it was, and so is `from`,
// except after kErrorUnableToMoveReplacement: the old file is gone then, and
// `from` still holds the new one.
bool MoveIntoPlace(const std::wstring& from, const std::wstring& to);

// Writes `size` bytes to a new file beside `target` (in its folder), brings it
// to the disk and moves it into the target's place: afterwards the target holds
// either all of the bytes or what it held before. Fails, with the target
// untouched and the last-error value set, when no file can be made in that
// folder, the write fails or the replace is refused (another program's hold,
// no permission).
bool ReplaceWhole(const std::wstring& target, const void* data, std::size_t size);

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
  // True when the held file's contents are exactly `size` bytes at `data`:
  // one sequential read in large pieces.
  bool HasContents(const unsigned char* data, std::size_t size);
  void Close();

 private:
  std::unique_ptr<FileHandle> file_;
};

// The patch-list file: opened for reading and appending, created when
// missing; others may read but not write while it is open.
class ListFile {
 public:
  ListFile();
  ListFile(ListFile&&) noexcept;
  ListFile& operator=(ListFile&&) noexcept;
  ~ListFile();

  bool Open(const std::wstring& path);
  // The file's length; -1 on failure.
  std::int64_t Size();
  // True when the file is empty or its last byte is a line feed.
  bool EndsLine();
  // Appends `size` bytes at the end in one write request (repeated only for
  // what a short write left over).
  bool Append(const void* data, std::size_t size);
  // Cuts the file back to `length` bytes.
  bool Truncate(std::int64_t length);
  void Close();

 private:
  std::unique_ptr<FileHandle> file_;
};

}  // namespace spinstall::platform
