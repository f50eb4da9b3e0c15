// Reading an OLE compound file with libgsf: its storages, streams and class
// ids, as a package's checks and the stamp need them.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "base/gobject_ref.h"

typedef struct _GsfInfile GsfInfile;
typedef struct _GsfInput GsfInput;

namespace msptool {

// One child of a storage: a stream with its bytes, or a storage with its
// class id and children.
struct CompoundEntry {
  std::string name;  // as stored, in UTF-8
  bool isStorage = false;
  std::string classId;     // 16 bytes, storages only
  std::string bytes;       // streams only
  std::uint64_t size = 0;  // streams only, kept or not
  std::string digest;      // streams read for their digest only: SHA-256
  std::vector<CompoundEntry> children;
};

// The whole file: the root storage (named ""). False when it is no compound
// file, with `error` saying so (to follow its name). Without `rootBytes`, the root's own streams
// (the cabinet among them) are listed with no bytes.
bool ReadCompound(const std::string& path, CompoundEntry& root, std::string& error,
                  bool rootBytes = true);

// What a reader keeps of a stream, by its stored name and its depth (1 for
// the root's streams): its bytes, or its size and a digest of its bytes (read
// in pieces, never held whole), or its size alone; or nothing: an entry
// skipped is left out unopened, a storage too (the name is all there is to
// go by), as opening a large stream walks its whole chain of sectors.
enum class StreamContent { Bytes, Digest, Size, Skip };
using StreamFilter = std::function<StreamContent(const std::string& name, int depth)>;
bool ReadCompoundStreams(const std::string& path, CompoundEntry& root, std::string& error,
                         const StreamFilter& filter);

// A root stream of the compound file at `path`, or null. The stream holds a
// reference to its file, so it outlives the handles opened for it.
using StreamInput = Ref<GsfInput>;
StreamInput OpenRootStream(const std::string& path, const std::string& name);

// The bytes of the stream `name` (as stored) of the root of the file at `path`.
bool ReadRootStream(const std::string& path, const std::string& name, std::string& bytes);

// The same copied to the file `outPath` in pieces, never held whole.
bool CopyRootStream(const std::string& path, const std::string& name, const std::string& outPath);

// The child called `name`, or null.
const CompoundEntry* Child(const CompoundEntry& storage, const std::string& name);

}  // namespace msptool
