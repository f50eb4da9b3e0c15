// The run log's file: whole lines of UTF-8 text, appended.
#pragma once

#include <memory>
#include <string>
#include <string_view>

namespace spinstall::platform {

struct LogHandle;  // the platform's open file

class LogFile {
 public:
  enum class Mode {
    // A file that did not exist, never through a link; owner-only on the
    // host. Fails with kErrorFileExists when the name is taken.
    CreateNew,
    // Created when missing, else appended to; other processes may read and
    // append to it meanwhile. A pipe without a reader fails at once. When the
    // file's last byte is no line feed, the first line starts with CR LF.
    Append,
    // As CreateNew, for another writer (the installer) that opens it by name
    // to append: while it is held open, others may read and write it, and
    // on Windows nobody can delete or rename it. Nothing is written through
    // this object.
    CreateForAnother,
  };

  LogFile();
  LogFile(LogFile&&) noexcept;
  LogFile& operator=(LogFile&&) noexcept;
  ~LogFile();

  // On failure the thread's last-error value says why.
  bool Open(const std::wstring& path, Mode mode);
  bool IsOpen() const;
  // Writes `text` in UTF-8 and CR LF in one write at the file's end, so that
  // the lines of processes sharing the file never interleave.
  bool AppendLine(std::wstring_view text);
  void Close();

 private:
  std::unique_ptr<LogHandle> file_;
};

}  // namespace spinstall::platform
