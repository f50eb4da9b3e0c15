// Writing an OLE compound file (the container of installer packages) with
// libgsf.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "base/gobject_ref.h"
#include "compound/stream_name.h"

typedef struct _GsfOutfile GsfOutfile;
typedef struct _GsfOutput GsfOutput;

namespace msptool {

// Root storage class ids: {000C1086-0000-0000-C000-000000000046} of a patch,
// {000C1082-...} of a transform (a file or a patch's sub-storage), {000C1084-...}
// of a database, as stored.
inline constexpr unsigned char kPatchClassId[16] = {0x86, 0x10, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00,
                                                    0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
inline constexpr unsigned char kDatabaseClassId[16] = {
    0x84, 0x10, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};
inline constexpr unsigned char kTransformClassId[16] = {
    0x82, 0x10, 0x0C, 0x00, 0x00, 0x00, 0x00, 0x00, 0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46};

class CompoundFile {
 public:
  CompoundFile() = default;
  CompoundFile(const CompoundFile&) = delete;
  CompoundFile& operator=(const CompoundFile&) = delete;
  ~CompoundFile();

  // Creates the file; `classId` is the root storage's 16 stored bytes.
  bool Create(const std::string& path, const unsigned char classId[16], std::string& error);
  GsfOutfile* Root() const { return root_.get(); }

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

  // Creates the file at `path`, lets `fill` add everything under its root and
  // closes it; false, with `error` naming the path, when any step fails.
  static bool Write(const std::string& path, const unsigned char classId[16],
                    const std::function<bool(GsfOutfile* root)>& fill, std::string& error);

 private:
  Ref<GsfOutput> sink_;
  Ref<GsfOutfile> root_;
};

}  // namespace msptool
