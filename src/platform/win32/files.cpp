// Windows files: Win32 handles. A new package file is created with
// CREATE_NEW, which never opens whatever already exists at the name, links
// included; an incomplete one is deleted through its own handle, so only the
// very file that was written can go. A complete new file takes an existing
// one's place through ReplaceFileW, which keeps the old file's attributes,
// security and streams. Only a device or pipe is written directly.
#include "platform/files.h"

#include <windows.h>

#include "platform/error_codes.h"
#include "platform/file_io.h"

namespace spinstall::platform {

struct FileHandle {
  HANDLE handle = INVALID_HANDLE_VALUE;
  bool append = false;  // every write goes to the end
  ~FileHandle() {
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
  }
};

namespace io {

std::int64_t WriteOnce(FileHandle& file, const unsigned char* data, std::size_t size) {
  const DWORD request = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
  // Both offsets at 0xFFFFFFFF write at the end of the file, as an open for
  // FILE_APPEND_DATA would; the handle keeps the access to cut back.
  OVERLAPPED atEnd = {};
  atEnd.Offset = 0xFFFFFFFF;
  atEnd.OffsetHigh = 0xFFFFFFFF;
  DWORD written = 0;
  if (!::WriteFile(file.handle, data, request, &written, file.append ? &atEnd : nullptr)) return -1;
  return written;
}

// Extraction reads the bytes from the mapped module: the pieces of WriteAll
// keep every request bounded.
std::int64_t CopyFromImage(FileHandle&, const unsigned char*, std::size_t) { return 0; }

std::int64_t ReadOnce(FileHandle& file, unsigned char* data, std::size_t size) {
  const DWORD request = size > (1u << 30) ? (1u << 30) : static_cast<DWORD>(size);
  DWORD read = 0;
  if (!::ReadFile(file.handle, data, request, &read, nullptr)) return -1;
  return read;
}

bool SeekTo(FileHandle& file, std::int64_t offset) {
  LARGE_INTEGER at = {};
  at.QuadPart = offset;
  return ::SetFilePointerEx(file.handle, at, nullptr, FILE_BEGIN) != FALSE;
}

std::int64_t Length(FileHandle& file) {
  LARGE_INTEGER size = {};
  return ::GetFileSizeEx(file.handle, &size) ? size.QuadPart : -1;
}

}  // namespace io

namespace {

bool MarkForDeletion(HANDLE handle) {
  FILE_DISPOSITION_INFO info = {};
  info.DeleteFile = TRUE;
  return ::SetFileInformationByHandle(handle, FileDispositionInfo, &info, sizeof info) != FALSE;
}

// A handle that only asks about the file, shared with everyone.
HANDLE OpenForQuery(const std::wstring& path) {
  return ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                       OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
}

}  // namespace

OutputFile::OutputFile() = default;
OutputFile::OutputFile(OutputFile&&) noexcept = default;
OutputFile& OutputFile::operator=(OutputFile&&) noexcept = default;
OutputFile::~OutputFile() = default;

bool OutputFile::Open(const std::wstring& path, Mode mode) {
  const bool direct = mode == Mode::CreateOrTruncate;
  const HANDLE handle =
      direct ? ::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                             nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
             : ::CreateFileW(path.c_str(), GENERIC_WRITE | DELETE, FILE_SHARE_READ, nullptr,
                             CREATE_NEW, FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT,
                             nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  file_ = std::make_unique<FileHandle>();
  file_->handle = handle;
  // A file on a disk that took the device's name meanwhile is never written
  // in place.
  if (direct && ::GetFileType(handle) == FILE_TYPE_DISK) {
    file_.reset();
    ::SetLastError(ERROR_ACCESS_DENIED);
    return false;
  }
  removable_ = !direct;
  path_ = path;
  return true;
}

// ReplaceFileW carries the old file's attributes, security and streams over;
// Wine's carries nothing, so the attributes a file keeps through a rename are
// set here as well (the same values: harmless on Windows).
void OutputFile::TakeOwnerAndModeOf(const std::wstring& target) {
  constexpr DWORD kKept = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_ARCHIVE |
                          FILE_ATTRIBUTE_NOT_CONTENT_INDEXED;
  const DWORD attributes = ::GetFileAttributesW(target.c_str());
  if (!IsOpen() || attributes == INVALID_FILE_ATTRIBUTES || !(attributes & kKept)) return;
  FILE_BASIC_INFO info = {};  // times of 0 stay as they are
  info.FileAttributes = attributes & kKept;
  ::SetFileInformationByHandle(file_->handle, FileBasicInfo, &info, sizeof info);
}

bool OutputFile::IsOpen() const { return file_ && file_->handle != INVALID_HANDLE_VALUE; }

bool OutputFile::Close(Sync sync) {
  if (!IsOpen()) return false;
  // Keep the handle when the data may not be on disk, so Discard can still
  // delete exactly this file.
  if (sync == Sync::ToDisk && !::FlushFileBuffers(file_->handle)) return false;
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

OutputTarget ResolveOutputTarget(const std::wstring& path) {
  using Kind = OutputTarget::Kind;
  const DWORD attributes = ::GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES)
    return {path, ::GetLastError() == ERROR_FILE_NOT_FOUND ? Kind::Replace : Kind::Refused};
  // ReplaceFileW needs write access to the old file: a read-only one is
  // refused with ERROR_ACCESS_DENIED, before anything is written; so is a
  // folder, as a "wb" open of one would be.
  if (attributes & (FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_READONLY)) {
    ::SetLastError(ERROR_ACCESS_DENIED);
    return {path, Kind::Refused};
  }
  FileHandle file;
  file.handle = OpenForQuery(path);
  if (file.handle == INVALID_HANDLE_VALUE) return {path, Kind::Refused};
  if (::GetFileType(file.handle) != FILE_TYPE_DISK) return {path, Kind::Direct};
  // Through every link to the file itself, which is what gets replaced.
  std::wstring final(32768, L'\0');
  const DWORD length = ::GetFinalPathNameByHandleW(
      file.handle, final.data(), static_cast<DWORD>(final.size()), VOLUME_NAME_DOS);
  if (length == 0 || length >= final.size()) return {path, Kind::Replace};
  final.resize(length);
  return {final, Kind::Replace};
}

bool MoveIntoPlace(const std::wstring& from, const std::wstring& to) {
  // Without a backup name, ReplaceFileW fails with ERROR_FILE_NOT_FOUND when
  // nothing is there (gone meanwhile), and with
  // ERROR_UNABLE_TO_MOVE_REPLACEMENT after the old file was already removed:
  // the new one then takes the free name. REPLACEFILE_WRITE_THROUGH is
  // documented as not supported; the new file was flushed before, and the
  // rename is the file system's own journalled step.
  if (::ReplaceFileW(to.c_str(), from.c_str(), nullptr, 0, nullptr, nullptr)) return true;
  const DWORD error = ::GetLastError();
  if (error != ERROR_FILE_NOT_FOUND && error != ERROR_UNABLE_TO_MOVE_REPLACEMENT) return false;
  if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_WRITE_THROUGH)) return true;
  if (error == ERROR_UNABLE_TO_MOVE_REPLACEMENT) ::SetLastError(error);
  return false;
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
  file_->append = true;
  return true;
}

bool ListFile::Truncate(std::int64_t length) {
  return file_ && io::SeekTo(*file_, length) && ::SetEndOfFile(file_->handle);
}

void ListFile::Close() { file_.reset(); }

}  // namespace spinstall::platform
