// Windows files: Win32 handles. A generated package name is created with
// CREATE_NEW, which never opens whatever already exists at the name, links
// included; an incomplete package is deleted through its own handle, so only
// the very file that was written can go.
#include "platform/files.h"

#include <windows.h>

#include <cstring>

#include "platform/error_codes.h"

namespace spinstall::platform {

struct FileHandle {
  HANDLE handle = INVALID_HANDLE_VALUE;
  ~FileHandle() {
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
  }
};

namespace {

bool WriteAll(HANDLE handle, const void* data, std::size_t size) {
  const auto* bytes = static_cast<const unsigned char*>(data);
  while (size > 0) {
    const DWORD chunk = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
    DWORD written = 0;
    if (!::WriteFile(handle, bytes, chunk, &written, nullptr)) return false;
    if (written == 0) {
      ::SetLastError(ERROR_DISK_FULL);
      return false;
    }
    bytes += written;
    size -= written;
  }
  return true;
}

bool MarkForDeletion(HANDLE handle) {
  FILE_DISPOSITION_INFO info = {};
  info.DeleteFile = TRUE;
  return ::SetFileInformationByHandle(handle, FileDispositionInfo, &info, sizeof info) != FALSE;
}

}  // namespace

OutputFile::OutputFile() = default;
OutputFile::OutputFile(OutputFile&&) noexcept = default;
OutputFile& OutputFile::operator=(OutputFile&&) noexcept = default;
OutputFile::~OutputFile() = default;

bool OutputFile::Open(const std::wstring& path, Mode mode) {
  HANDLE handle = INVALID_HANDLE_VALUE;
  bool throughLink = false;
  if (mode == Mode::CreateNew) {
    handle =
        ::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                      FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  } else {
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    throughLink =
        attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    const DWORD share = FILE_SHARE_READ | FILE_SHARE_WRITE;
    handle = ::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, share, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE && ::GetLastError() == ERROR_ACCESS_DENIED) {
      // Writable but not deletable: written all the same, never removed.
      throughLink = true;
      handle = ::CreateFileW(path.c_str(), GENERIC_WRITE, share, nullptr, CREATE_ALWAYS,
                             FILE_ATTRIBUTE_NORMAL, nullptr);
    }
  }
  if (handle == INVALID_HANDLE_VALUE) return false;
  file_ = std::make_unique<FileHandle>();
  file_->handle = handle;
  removable_ = !throughLink && ::GetFileType(handle) == FILE_TYPE_DISK;
  path_ = path;
  return true;
}

bool OutputFile::IsOpen() const { return file_ && file_->handle != INVALID_HANDLE_VALUE; }

bool OutputFile::Write(const void* data, std::size_t size) {
  if (!IsOpen()) {
    ::SetLastError(ERROR_INVALID_HANDLE);
    return false;
  }
  return WriteAll(file_->handle, data, size);
}

bool OutputFile::Close() {
  if (!IsOpen()) return false;
  // Keep the handle when the data may not be on disk, so Discard can still
  // delete exactly this file.
  if (!::FlushFileBuffers(file_->handle)) return false;
  const HANDLE handle = file_->handle;
  file_->handle = INVALID_HANDLE_VALUE;
  return ::CloseHandle(handle) != FALSE;
}

void OutputFile::Discard() {
  const DWORD error = ::GetLastError();
  if (IsOpen()) {
    if (removable_) MarkForDeletion(file_->handle);
    ::CloseHandle(file_->handle);
    file_->handle = INVALID_HANDLE_VALUE;
  }
  removable_ = false;
  ::SetLastError(error);
}

HeldFile::HeldFile() = default;
HeldFile::HeldFile(HeldFile&&) noexcept = default;
HeldFile& HeldFile::operator=(HeldFile&&) noexcept = default;
HeldFile::~HeldFile() = default;

bool HeldFile::Open(const std::wstring& path) {
  // Read access shared only for reading: no other writer, no delete or rename.
  HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  file_ = std::make_unique<FileHandle>();
  file_->handle = handle;
  return true;
}

bool HeldFile::HasContents(const unsigned char* data, std::size_t size) {
  LARGE_INTEGER start = {};
  if (!file_ || !::SetFilePointerEx(file_->handle, start, nullptr, FILE_BEGIN)) return false;
  static unsigned char chunk[65536];
  std::size_t at = 0;
  for (;;) {
    DWORD n = 0;
    if (!::ReadFile(file_->handle, chunk, sizeof chunk, &n, nullptr)) return false;
    if (n == 0) return at == size;
    if (n > size - at || std::memcmp(chunk, data + at, n) != 0) return false;
    at += n;
  }
}

void HeldFile::Close() { file_.reset(); }

ListFile::ListFile() = default;
ListFile::ListFile(ListFile&&) noexcept = default;
ListFile& ListFile::operator=(ListFile&&) noexcept = default;
ListFile::~ListFile() = default;

bool ListFile::Open(const std::wstring& path) {
  HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  file_ = std::make_unique<FileHandle>();
  file_->handle = handle;
  return true;
}

std::int64_t ListFile::SeekEnd() {
  LARGE_INTEGER end = {};
  if (!file_ || !::SetFilePointerEx(file_->handle, LARGE_INTEGER{}, &end, FILE_END)) return -1;
  return end.QuadPart;
}

bool ListFile::Write(const void* data, std::size_t size) {
  return file_ && WriteAll(file_->handle, data, size);
}

bool ListFile::Truncate(std::int64_t length) {
  LARGE_INTEGER at = {};
  at.QuadPart = length;
  return file_ && ::SetFilePointerEx(file_->handle, at, nullptr, FILE_BEGIN) &&
         ::SetEndOfFile(file_->handle);
}

void ListFile::Close() { file_.reset(); }

}  // namespace spinstall::platform
