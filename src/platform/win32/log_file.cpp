// Windows log files. Opened with append access only (no FILE_WRITE_DATA), every
// write goes to the current end of the file in one piece, so runs that share a
// log keep their lines whole. A new default log is created with CREATE_NEW,
// which never opens whatever already exists at the name, links included.
#include "platform/log_file.h"

#include <windows.h>

namespace spinstall::platform {

struct LogHandle {
  HANDLE handle = INVALID_HANDLE_VALUE;
  ~LogHandle() {
    if (handle != INVALID_HANDLE_VALUE) ::CloseHandle(handle);
  }
};

LogFile::LogFile() = default;
LogFile::LogFile(LogFile&&) noexcept = default;
LogFile& LogFile::operator=(LogFile&&) noexcept = default;
LogFile::~LogFile() = default;

bool LogFile::Open(const std::wstring& path, Mode mode) {
  const bool createNew = mode == Mode::CreateNew;
  const HANDLE handle = ::CreateFileW(
      path.c_str(), FILE_APPEND_DATA | SYNCHRONIZE,
      createNew ? FILE_SHARE_READ : FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
      createNew ? CREATE_NEW : OPEN_ALWAYS,
      FILE_ATTRIBUTE_NORMAL | (createNew ? FILE_FLAG_OPEN_REPARSE_POINT : 0), nullptr);
  if (handle == INVALID_HANDLE_VALUE) return false;
  file_ = std::make_unique<LogHandle>();
  file_->handle = handle;
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
  DWORD written = 0;
  return ::WriteFile(file_->handle, line.data(), static_cast<DWORD>(line.size()), &written,
                     nullptr) &&
         written == line.size();
}

void LogFile::Close() { file_.reset(); }

}  // namespace spinstall::platform
