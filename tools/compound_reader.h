// Reading an OLE compound file with libgsf: its storages, streams and class
// ids, as a package's checks and the stamp need them.
#pragma once

#include <memory>
#include <string>
#include <vector>

typedef struct _GsfInfile GsfInfile;

namespace msptool {

// One child of a storage: a stream with its bytes, or a storage with its
// class id and children.
struct CompoundEntry {
  std::string name;  // as stored, in UTF-8
  bool isStorage = false;
  std::string classId;  // 16 bytes, storages only
  std::string bytes;    // streams only
  std::vector<CompoundEntry> children;
};

// The whole file: the root storage (named ""). False when it is no compound
// file, with `error` saying so (to follow its name). Without `rootBytes`, the root's own streams
// (the cabinet among them) are listed with no bytes.
bool ReadCompound(const std::string& path, CompoundEntry& root, std::string& error,
                  bool rootBytes = true);

// The child called `name`, or null.
const CompoundEntry* Child(const CompoundEntry& storage, const std::string& name);

}  // namespace msptool
