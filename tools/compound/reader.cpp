#include "compound/reader.h"

#include <gsf/gsf.h>

#include <algorithm>
#include <cstdio>

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

bool ReadStorage(GsfInfile* storage, CompoundEntry& out, const StreamFilter& filter, int depth) {
  guint8 classId[16];
  if (gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(storage), classId))
    out.classId.assign(reinterpret_cast<const char*>(classId), 16);
  for (int i = 0; i < gsf_infile_num_children(storage); ++i) {
    const char* name = gsf_infile_name_by_index(storage, i);
    if (!name) return false;
    CompoundEntry entry;
    entry.name = name;
    const StreamContent content = filter(entry.name, depth);
    if (content == StreamContent::Skip) continue;
    Ref<GsfInput> child(gsf_infile_child_by_index(storage, i));
    if (!child) return false;
    // A storage is an infile that lists its children, an empty one included.
    entry.isStorage =
        GSF_IS_INFILE(child.get()) && gsf_infile_num_children(GSF_INFILE(child.get())) >= 0;
    if (entry.isStorage) {
      if (!ReadStorage(GSF_INFILE(child.get()), entry, filter, depth + 1)) return false;
    } else {
      entry.size = static_cast<std::uint64_t>(gsf_input_size(child.get()));
      if (content == StreamContent::Bytes && !ReadBytes(child.get(), entry.bytes)) return false;
      if (content == StreamContent::Digest && (entry.digest = Digest(child.get())).empty())
        return false;
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
  if (!ole || !ReadStorage(ole.get(), root, filter, 1)) {
    error = "is not a readable compound file";
    return false;
  }
  return true;
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
