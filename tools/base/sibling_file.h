// A file written beside its destination and put in place only when complete:
// a command that fails, or a process that dies, leaves nothing at the
// destination.
#pragma once

#include <string>

namespace msptool {

class SiblingFile {
 public:
  // Creates a new, empty file "<destination>.XXXXXX" in the destination's
  // folder, with the permissions a new file gets.
  explicit SiblingFile(std::string destination);
  // Removes the file unless it was put in place.
  ~SiblingFile();
  SiblingFile(const SiblingFile&) = delete;
  SiblingFile& operator=(const SiblingFile&) = delete;

  bool Created() const { return !path_.empty(); }
  const std::string& Path() const { return path_; }
  // Renames the file to the destination, replacing what is there (a link
  // itself, not what it names).
  bool PutInPlace();

 private:
  std::string destination_;
  std::string path_;
};

}  // namespace msptool
