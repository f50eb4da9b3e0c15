#include "support/package_reader.h"

#include <gsf/gsf.h>

namespace toolstest {
namespace {

std::string ReadAll(GsfInput* input) {
  std::string bytes(static_cast<std::size_t>(gsf_input_size(input)), '\0');
  if (!bytes.empty()) gsf_input_read(input, bytes.size(), reinterpret_cast<guint8*>(bytes.data()));
  return bytes;
}

void Walk(GsfInfile* storage, const std::string& path, CompoundContents& out) {
  guint8 classId[16];
  if (gsf_infile_msole_get_class_id(GSF_INFILE_MSOLE(storage), classId))
    out.classIds[path] = std::string(reinterpret_cast<const char*>(classId), 16);
  for (int i = 0; i < gsf_infile_num_children(storage); ++i) {
    GsfInput* child = gsf_infile_child_by_index(storage, i);
    const std::string name =
        path.empty() ? gsf_input_name(child) : path + "/" + gsf_input_name(child);
    if (GSF_IS_INFILE(child) && gsf_infile_num_children(GSF_INFILE(child)) >= 0)
      Walk(GSF_INFILE(child), name, out);
    else
      out.streams[name] = ReadAll(child);
    g_object_unref(child);
  }
}

}  // namespace

std::uint32_t U16At(const std::string& bytes, std::size_t offset) {
  return static_cast<unsigned char>(bytes.at(offset)) |
         (static_cast<unsigned char>(bytes.at(offset + 1)) << 8);
}

std::uint32_t U32At(const std::string& bytes, std::size_t offset) {
  return U16At(bytes, offset) | (U16At(bytes, offset + 2) << 16);
}

bool ReadCompoundFile(const std::string& path, CompoundContents& out) {
  GsfInput* file = gsf_input_stdio_new(path.c_str(), nullptr);
  if (!file) return false;
  GsfInfile* root = gsf_infile_msole_new(file, nullptr);
  g_object_unref(file);
  if (!root) return false;
  Walk(root, "", out);
  g_object_unref(root);
  return true;
}

std::map<std::uint32_t, SummaryValue> ParseSummary(const std::string& stream) {
  std::map<std::uint32_t, SummaryValue> properties;
  const std::size_t section = U32At(stream, 44);
  const std::uint32_t count = U32At(stream, section + 4);
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t id = U32At(stream, section + 8 + 8 * i);
    const std::size_t at = section + U32At(stream, section + 12 + 8 * i);
    switch (U32At(stream, at)) {
      case 2:  // VT_I2
        properties[id] =
            static_cast<std::int64_t>(static_cast<std::int16_t>(U16At(stream, at + 4)));
        break;
      case 3:  // VT_I4
        properties[id] =
            static_cast<std::int64_t>(static_cast<std::int32_t>(U32At(stream, at + 4)));
        break;
      case 30:  // VT_LPSTR: length with the terminator, then the bytes
        properties[id] = stream.substr(at + 8, U32At(stream, at + 4) - 1);
        break;
      case 64:  // VT_FILETIME
        properties[id] = static_cast<std::int64_t>(U32At(stream, at + 4)) |
                         (static_cast<std::int64_t>(U32At(stream, at + 8)) << 32);
        break;
    }
  }
  return properties;
}

std::vector<std::string> ParseStringPool(const std::string& pool, const std::string& data) {
  std::vector<std::string> strings{""};
  std::size_t offset = 0;
  for (std::size_t at = 4; at + 4 <= pool.size(); at += 4) {
    const std::size_t length = U16At(pool, at);
    strings.push_back(data.substr(offset, length));
    offset += length;
  }
  return strings;
}

}  // namespace toolstest
