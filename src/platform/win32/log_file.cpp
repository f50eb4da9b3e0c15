// Windows log files. Opened with append access only (no FILE_WRITE_DATA), every
// write goes to the current end of the file in one piece, so runs that share a
// log keep their lines whole. A new log is created with CREATE_NEW, which
// never opens whatever already exists at the name, links included.
#include "platform/log_file.h"

#include <windows.h>

namespace spinstall::platform {

struct LogHandle {
  HANDLE handle = INVALID_HANDLE_VALUE;
  bool breakFirst = false;  // the file's last line had no line end
  ~LogHandle() {
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
  }
};

namespace {

// Whether the file's last byte is not a line feed. Read through a handle of
// its own on the very file, since the log's may only append.
bool LacksFinalLineFeed(HANDLE file) {
  LARGE_INTEGER size = {};
  if (::GetFileType(file) != FILE_TYPE_DISK || !::GetFileSizeEx(file, &size) || size.QuadPart == 0)
    return false;
  const HANDLE reader = ::ReOpenFile(file, FILE_READ_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, 0);
  if (reader == INVALID_HANDLE_VALUE) return false;
  OVERLAPPED at = {};
  at.Offset = static_cast<DWORD>(size.QuadPart - 1);
  at.OffsetHigh = static_cast<DWORD>((size.QuadPart - 1) >> 32);
  char last = '\n';
  DWORD read = 0;
  const bool ok = ::ReadFile(reader, &last, 1, &read, &at) && read == 1;
  ::CloseHandle(reader);
  return ok && last != '\n';
}

struct OpenRequest {
  DWORD access, share, disposition, flags;
};

OpenRequest RequestFor(LogFile::Mode mode) {
  constexpr DWORD kNew = FILE_ATTRIBUTE_NORMAL | FILE_FLAG_OPEN_REPARSE_POINT;
  switch (mode) {
    case LogFile::Mode::CreateNew:
      return {FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ, CREATE_NEW, kNew};
    case LogFile::Mode::Append:
      return {FILE_APPEND_DATA | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE, OPEN_ALWAYS,
              FILE_ATTRIBUTE_NORMAL};
    case LogFile::Mode::CreateForAnother:
      // Access to nothing but its attributes stands in no other opener's way;
      // the missing FILE_SHARE_DELETE keeps the name on this file.
      return {FILE_READ_ATTRIBUTES | SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE, CREATE_NEW,
              kNew};
  }
  return {};
}

}  // namespace

LogFile::LogFile() = default;
LogFile::LogFile(LogFile&&) noexcept = default;
LogFile& LogFile::operator=(LogFile&&) noexcept = default;
LogFile::~LogFile() = default;

bool LogFile::Open(const std::wstring& path, Mode mode) {
  const OpenRequest request = RequestFor(mode);
  const HANDLE handle = ::CreateFileW(path.c_str(), request.access, request.share, nullptr,
                                      request.disposition, request.flags, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  file_ = std::make_unique<LogHandle>();
  file_->handle = handle;
  file_->breakFirst = mode == Mode::Append && LacksFinalLineFeed(handle);
  return true;
}

bool LogFile::IsOpen() const { return file_ != nullptr; }

bool LogFile::AppendLine(std::wstring_view text) {
  if (!file_) return false;
  std::string line;
  if (!text.empty()) {
    const int wide = static_cast<int>(text.size());
    const int bytes =
        ::WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0) return false;
    line.resize(static_cast<std::size_t>(bytes));
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, line.data(), bytes, nullptr, nullptr);
  }
  line += "\r\n";
  if (file_->breakFirst) line.insert(0, "\r\n");
  DWORD written = 0;
  const bool whole =
      ::WriteFile(file_->handle, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
      written == line.size();
  if (whole) file_->breakFirst = false;
  return whole;
}

void LogFile::Close() { file_.reset(); }

}  // namespace spinstall::platform
