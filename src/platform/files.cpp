// The file logic both systems share, over the primitives of file_io.h.
#include "platform/files.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/environment.h"
#include "platform/error_codes.h"
#include "platform/file_io.h"
#include "platform/last_error.h"

namespace spinstall::platform {
namespace {

// Large enough that a copy costs little more than the kernel's own work, small
// enough that no request ties up memory in proportion to the package.
constexpr std::size_t kPiece = std::size_t{1} << 20;
// Bounds the sibling names tried; each taken one is a leftover of a run that
// was killed.
constexpr int kMaxSiblings = 1000;

bool WriteAll(FileHandle& file, const void* data, std::size_t size, std::size_t piece) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (size > 0) {
    const std::int64_t written = io::WriteOnce(file, bytes, std::min(size, piece));
    if (written < 0) return false;
    if (written == 0) {  // no error, yet no room
      SetLastError(kErrorDiskFull);
      return false;
    }
    bytes += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

// A new file beside `target`, in the same folder, so that it can take the
// target's place in one rename.
bool CreateSibling(const std::wstring& target, std::wstring& sibling, OutputFile& file) {
  const auto cut = target.find_last_of(kNameStarters);
  const std::wstring folder = cut == std::wstring::npos ? L"" : target.substr(0, cut + 1);
  for (int n = 1; n <= kMaxSiblings; ++n) {
    sibling = folder + L"~spinstall" + std::to_wstring(n) + L".tmp";
    if (file.Open(sibling, OutputFile::Mode::CreateReplacement)) return true;
    if (LastError() != kErrorFileExists) return false;
  }
  return false;
}

}  // namespace

bool ReplaceWhole(const std::wstring& target, const void* data, std::size_t size) {
  std::wstring siblingPath;
  OutputFile sibling;
  if (!CreateSibling(target, siblingPath, sibling)) return false;
  sibling.TakeOwnerAndModeOf(target);
  if (!sibling.Write(data, size) || !sibling.Close(OutputFile::Sync::ToDisk)) {
    sibling.Discard();
    return false;
  }
  if (MoveIntoPlace(siblingPath, target)) return true;
  const std::uint32_t error = LastError();
  // With the old file gone, the new one beside it is the only copy left.
  if (error != kErrorUnableToMoveReplacement) DeleteFileAt(siblingPath);
  SetLastError(error);
  return false;
}

bool OutputFile::Write(const void* data, std::size_t size) {
  if (!IsOpen()) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  const std::int64_t copied =
      io::CopyFromImage(*file_, static_cast<const unsigned char*>(data), size);
  if (copied < 0) return false;
  const auto done = static_cast<std::size_t>(copied);
  return WriteAll(*file_, static_cast<const unsigned char*>(data) + done, size - done, kPiece);
}

bool HeldFile::HasContents(const unsigned char* data, std::size_t size) {
  if (!file_ || !io::SeekTo(*file_, 0)) return false;
  // One byte more than the package may hold shows a longer file.
  std::vector<unsigned char> piece(std::min(size, kPiece) + 1);
  std::size_t at = 0;
  for (;;) {
    const std::int64_t n = io::ReadOnce(*file_, piece.data(), piece.size());
    if (n < 0) return false;
    if (n == 0) return at == size;
    const auto count = static_cast<std::size_t>(n);
    if (count > size - at || std::memcmp(piece.data(), data + at, count) != 0) return false;
    at += count;
  }
}

std::int64_t ListFile::Size() { return file_ ? io::Length(*file_) : -1; }

bool ListFile::EndsLine() {
  const std::int64_t size = Size();
  if (size <= 0) return size == 0;
  unsigned char last = 0;
  return io::SeekTo(*file_, size - 1) && io::ReadOnce(*file_, &last, 1) == 1 && last == '\n';
}

bool ListFile::Append(const void* data, std::size_t size) {
  if (!file_) {
    SetLastError(kErrorInvalidHandle);
    return false;
  }
  return WriteAll(*file_, data, size, size);
}

}  // namespace spinstall::platform
