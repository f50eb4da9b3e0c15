// Writing an OLE compound file (the container of installer packages) with
// libgsf, and the stream-name encoding the installer uses inside it.
#pragma once

#include <cstdint>
#include <string>

typedef struct _GsfOutfile GsfOutfile;

namespace msptool {

// The stored name of a stream: table streams get the 0x4840 prefix, and
// characters of the 64-symbol alphabet are packed two to a UTF-16 unit.
// Returned as UTF-8, as libgsf takes names.
std::string EncodeStreamName(const std::string& name, bool isTable);

class CompoundFile {
 public:
  CompoundFile() = default;
  CompoundFile(const CompoundFile&) = delete;
  CompoundFile& operator=(const CompoundFile&) = delete;
  ~CompoundFile();

  // Creates the file; `classId` is the root storage's 16 stored bytes.
  bool Create(const std::string& path, const unsigned char classId[16], std::string& error);
  GsfOutfile* Root() const { return root_; }

  // A stream named exactly `name` (already encoded where it needs to be).
  static bool AddStream(GsfOutfile* storage, const std::string& name, const std::string& bytes);
  // The same with the contents of the file at `path`, copied in pieces.
  static bool AddStreamFromFile(GsfOutfile* storage, const std::string& name,
                                const std::string& path);
  // A sub-storage; the returned storage must be passed to CloseStorage.
  static GsfOutfile* AddStorage(GsfOutfile* storage, const std::string& name,
                                const unsigned char classId[16]);
  static bool CloseStorage(GsfOutfile* storage);

  // Writes the directory and closes the file.
  bool Close(std::string& error);

 private:
  void* sink_ = nullptr;
  GsfOutfile* root_ = nullptr;
};

}  // namespace msptool
