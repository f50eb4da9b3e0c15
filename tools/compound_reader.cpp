#include "compound_reader.h"

#include <gsf/gsf.h>

namespace msptool {
namespace {

void Unref(void* object) {
  if (object) g_object_unref(object);
}

bool ReadStorage(GsfInfile* storage, CompoundEntry& out, bool streamBytes) {
  guint8 classId[16];
  if (gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(storage), classId))
    out.classId.assign(reinterpret_cast<const char*>(classId), 16);
  for (int i = 0; i < gsf_infile_num_children(storage); ++i) {
    std::unique_ptr<GsfInput, void (*)(void*)> child(gsf_infile_child_by_index(storage, i), Unref);
    if (!child) return false;
    CompoundEntry entry;
    entry.name = gsf_input_name(child.get());
    // A storage is an infile that lists its children, an empty one included.
    entry.isStorage =
        GSF_IS_INFILE(child.get()) && gsf_infile_num_children(GSF_INFILE(child.get())) >= 0;
    if (entry.isStorage) {
      if (!ReadStorage(GSF_INFILE(child.get()), entry, true)) return false;
    } else if (streamBytes) {
      entry.bytes.resize(static_cast<std::size_t>(gsf_input_size(child.get())));
      if (!entry.bytes.empty() && !gsf_input_read(child.get(), entry.bytes.size(),
                                                  reinterpret_cast<guint8*>(entry.bytes.data())))
        return false;
    }
    out.children.push_back(std::move(entry));
  }
  return true;
}

}  // namespace

bool ReadCompound(const std::string& path, CompoundEntry& root, std::string& error,
                  bool rootBytes) {
  GError* err = nullptr;
  std::unique_ptr<GsfInput, void (*)(void*)> file(gsf_input_stdio_new(path.c_str(), &err), Unref);
  if (err) g_error_free(err);
  if (!file) {
    error = "cannot be read";
    return false;
  }
  std::unique_ptr<GsfInfile, void (*)(void*)> ole(gsf_infile_msole_new(file.get(), nullptr), Unref);
  root = {};
  root.isStorage = true;
  if (!ole || !ReadStorage(ole.get(), root, rootBytes)) {
    error = "is not a readable compound file";
    return false;
  }
  return true;
}

const CompoundEntry* Child(const CompoundEntry& storage, const std::string& name) {
  for (const auto& c : storage.children)
    if (c.name == name) return &c;
  return nullptr;
}

}  // namespace msptool
