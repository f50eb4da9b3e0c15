// Where a command writes: a folder of its own, made new beside the
// destination (mkdtemp: no other process's file or link can be in it), from
// which the finished file is renamed into place. Nothing is ever written
// through a link, and nothing is deleted that the command did not make: a
// command that fails, or a process that dies, leaves at most this folder.
#pragma once

#include <string>

namespace msptool {

class OutputFolder {
 public:
  // Makes the folder ".<name>.XXXXXX" beside `destination`, private to the
  // user; Created() says whether it could.
  explicit OutputFolder(std::string destination);
  // Removes the folder with what was written into it.
  ~OutputFolder();
  OutputFolder(const OutputFolder&) = delete;
  OutputFolder& operator=(const OutputFolder&) = delete;

  bool Created() const { return !path_.empty(); }
  // The file in the folder that becomes the destination; any other name the
  // command needs goes beside it in the folder.
  std::string File() const { return path_ + "/out"; }
  // Renames File() to the destination, with the permissions a new file gets.
  // rename() replaces a link at the destination itself, never what it names,
  // and fails on a folder there.
  bool PutInPlace();

 private:
  std::string destination_;
  std::string path_;
};

}  // namespace msptool
