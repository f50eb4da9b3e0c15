#include "compound/reader.h"

#include <gsf/gsf.h>

#include <algorithm>
#include <cstdio>
#include <map>

#include "base/error.h"
#include "base/text.h"
#include "compound/directory.h"

namespace msptool {
namespace {

std::string Digest(GsfInput* input) {
  std::unique_ptr<GChecksum, void (*)(GChecksum*)> sum(g_checksum_new(G_CHECKSUM_SHA256),
                                                       g_checksum_free);
  guint8 piece[65536];
  for (gsf_off_t left = gsf_input_size(input); left > 0;) {
    const auto n = static_cast<std::size_t>(std::min<gsf_off_t>(left, sizeof piece));
    if (!gsf_input_read(input, n, piece)) return {};
    g_checksum_update(sum.get(), piece, static_cast<gssize>(n));
    left -= static_cast<gsf_off_t>(n);
  }
  return g_checksum_get_string(sum.get());
}

bool ReadBytes(GsfInput* input, std::string& bytes) {
  bytes.resize(static_cast<std::size_t>(gsf_input_size(input)));
  return bytes.empty() ||
         gsf_input_read(input, bytes.size(), reinterpret_cast<guint8*>(bytes.data()));
}

// `raw`: the storage as the file's own directory has it (directory.h).
// False when libgsf lists other entries than that: an entry it dropped is a
// table the database would be read without.
bool ReadStorage(GsfInfile* storage, const DirectoryNode& raw, CompoundEntry& out,
                 const StreamFilter& filter, int depth, std::string& error) {
  guint8 classId[16];
  if (gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(storage), classId))
    out.classId.assign(reinterpret_cast<const char*>(classId), 16);
  const int count = gsf_infile_num_children(storage);
  if (count < 0 || static_cast<std::size_t>(count) != raw.children.size())
    return Refuse(error, "is not a whole compound file: its directory lists " +
                             std::to_string(raw.children.size()) + " entries in storage " +
                             Quoted(raw.name) + ", of which the reader finds " +
                             std::to_string(count));
  std::map<std::string, const DirectoryNode*> rawByName;
  for (const auto& child : raw.children) rawByName.emplace(child.name, &child);
  for (int i = 0; i < count; ++i) {
    const char* name = gsf_infile_name_by_index(storage, i);
    if (!name) return Refuse(error, "is not a readable compound file");
    const auto rawChild = rawByName.find(name);
    if (rawChild == rawByName.end())
      return Refuse(error, "is not a whole compound file: the reader finds an entry " +
                               Quoted(name) + " its directory does not list");
    CompoundEntry entry;
    entry.name = name;
    const StreamContent content = filter(entry.name, depth);
    if (content == StreamContent::Skip) continue;
    Ref<GsfInput> child(gsf_infile_child_by_index(storage, i));
    if (!child) return Refuse(error, "is not a readable compound file");
    // A storage is an infile that lists its children, an empty one included.
    entry.isStorage =
        GSF_IS_INFILE(child.get()) && gsf_infile_num_children(GSF_INFILE(child.get())) >= 0;
    if (entry.isStorage != rawChild->second->isStorage)
      return Refuse(error, "is not a whole compound file: entry " + Quoted(name) +
                               " is a storage to one reader and a stream to the other");
    if (entry.isStorage) {
      if (!ReadStorage(GSF_INFILE(child.get()), *rawChild->second, entry, filter, depth + 1, error))
        return false;
    } else {
      entry.size = static_cast<std::uint64_t>(gsf_input_size(child.get()));
      // A stream shorter than its entry claims is cut off.
      if (entry.size != rawChild->second->size)
        return Refuse(error, "is not a whole compound file: stream " + Quoted(name) + " has " +
                                 std::to_string(entry.size) + " of the " +
                                 std::to_string(rawChild->second->size) + " bytes it claims");
      if ((content == StreamContent::Bytes && !ReadBytes(child.get(), entry.bytes)) ||
          (content == StreamContent::Digest && (entry.digest = Digest(child.get())).empty()))
        return Refuse(error, "has stream " + Quoted(name) + ", which cannot be read");
    }
    out.children.push_back(std::move(entry));
  }
  return true;
}

}  // namespace

bool ReadCompound(const std::string& path, CompoundEntry& root, std::string& error,
                  bool rootBytes) {
  return ReadCompoundStreams(path, root, error, [rootBytes](const std::string&, int depth) {
    return rootBytes || depth > 1 ? StreamContent::Bytes : StreamContent::Size;
  });
}

bool ReadCompoundStreams(const std::string& path, CompoundEntry& root, std::string& error,
                         const StreamFilter& filter) {
  // The file's own directory first: it also refuses a FIFO without blocking.
  DirectoryNode raw;
  if (!ReadCompoundDirectory(path, raw, error)) {
    if (error == "cannot be read") return false;
    return Refuse(error, "is not a readable compound file: it " + error);
  }
  GError* err = nullptr;
  Ref<GsfInput> file(gsf_input_stdio_new(path.c_str(), &err));
  if (err) g_error_free(err);
  if (!file) {
    error = "cannot be read";
    return false;
  }
  Ref<GsfInfile> ole(gsf_infile_msole_new(file.get(), nullptr));
  root = {};
  root.isStorage = true;
  if (!ole) return Refuse(error, "is not a readable compound file");
  return ReadStorage(ole.get(), raw, root, filter, 1, error);
}

StreamInput OpenRootStream(const std::string& path, const std::string& name) {
  Ref<GsfInput> file(gsf_input_stdio_new(path.c_str(), nullptr));
  if (!file) return {};
  Ref<GsfInfile> ole(gsf_infile_msole_new(file.get(), nullptr));
  if (!ole) return {};
  return StreamInput(gsf_infile_child_by_name(ole.get(), name.c_str()));
}

bool ReadRootStream(const std::string& path, const std::string& name, std::string& bytes) {
  const auto stream = OpenRootStream(path, name);
  return stream && ReadBytes(stream.get(), bytes);
}

bool CopyRootStream(const std::string& path, const std::string& name, const std::string& outPath) {
  const auto stream = OpenRootStream(path, name);
  std::unique_ptr<FILE, int (*)(FILE*)> out(std::fopen(outPath.c_str(), "wb"), std::fclose);
  if (!stream || !out) return false;
  guint8 piece[65536];
  for (gsf_off_t left = gsf_input_size(stream.get()); left > 0;) {
    const auto n = static_cast<std::size_t>(std::min<gsf_off_t>(left, sizeof piece));
    if (!gsf_input_read(stream.get(), n, piece) || std::fwrite(piece, 1, n, out.get()) != n)
      return false;
    left -= static_cast<gsf_off_t>(n);
  }
  return std::fflush(out.get()) == 0;
}

const CompoundEntry* Child(const CompoundEntry& storage, const std::string& name) {
  for (const auto& c : storage.children)
    if (c.name == name) return &c;
  return nullptr;
}

}  // namespace msptool
