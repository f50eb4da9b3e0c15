#include "compound_file.h"

#include <gsf/gsf.h>

namespace msptool {
CompoundFile::~CompoundFile() {
  if (root_) {
    gsf_output_close(GSF_OUTPUT(root_));
    g_object_unref(root_);
  }
  if (sink_) g_object_unref(sink_);
}

bool CompoundFile::Create(const std::string& path, const unsigned char classId[16],
                          std::string& error) {
  GError* err = nullptr;
  GsfOutput* sink = gsf_output_stdio_new(path.c_str(), &err);
  if (!sink) {
    error = "cannot create " + path + ": " + (err ? err->message : "unknown error");
    if (err) g_error_free(err);
    return false;
  }
  sink_ = sink;
  root_ = gsf_outfile_msole_new(sink);
  gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(root_), classId);
  return true;
}

bool CompoundFile::AddStream(GsfOutfile* storage, const std::string& name,
                             const std::string& bytes) {
  GsfOutput* stream = gsf_outfile_new_child(storage, name.c_str(), FALSE);
  if (!stream) return false;
  bool ok = bytes.empty() ||
            gsf_output_write(stream, bytes.size(), reinterpret_cast<const guint8*>(bytes.data()));
  ok = gsf_output_close(stream) && ok;
  g_object_unref(stream);
  return ok;
}

bool CompoundFile::AddStreamFromFile(GsfOutfile* storage, const std::string& name,
                                     const std::string& path) {
  GsfInput* source = gsf_input_stdio_new(path.c_str(), nullptr);
  if (!source) return false;
  GsfOutput* stream = gsf_outfile_new_child(storage, name.c_str(), FALSE);
  bool ok = stream && gsf_input_copy(source, stream);
  if (stream) {
    ok = gsf_output_close(stream) && ok;
    g_object_unref(stream);
  }
  g_object_unref(source);
  return ok;
}

GsfOutfile* CompoundFile::AddStorage(GsfOutfile* storage, const std::string& name,
                                     const unsigned char classId[16]) {
  GsfOutput* child = gsf_outfile_new_child(storage, name.c_str(), TRUE);
  if (!child) return nullptr;
  gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(child), classId);
  return GSF_OUTFILE(child);
}

bool CompoundFile::CloseStorage(GsfOutfile* storage) {
  const bool ok = gsf_output_close(GSF_OUTPUT(storage));
  g_object_unref(storage);
  return ok;
}

bool CompoundFile::Close(std::string& error) {
  bool ok = gsf_output_close(GSF_OUTPUT(root_));
  g_object_unref(root_);
  root_ = nullptr;
  // Closing the compound file closes its sink as well.
  if (!gsf_output_is_closed(GSF_OUTPUT(sink_))) ok = gsf_output_close(GSF_OUTPUT(sink_)) && ok;
  g_object_unref(sink_);
  sink_ = nullptr;
  if (!ok) error = "writing the compound file failed";
  return ok;
}

bool CompoundFile::Write(const std::string& path, const unsigned char classId[16],
                         const std::function<bool(GsfOutfile* root)>& fill, std::string& error) {
  CompoundFile file;
  if (!file.Create(path, classId, error)) return false;
  if (!fill(file.Root())) {
    error = "cannot write the streams of " + path;
    return false;
  }
  if (!file.Close(error)) {
    error = path + ": " + error;
    return false;
  }
  return true;
}

}  // namespace msptool
