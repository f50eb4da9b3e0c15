#include "compound/writer.h"

#include <gsf/gsf.h>

#include "base/gobject_ref.h"

namespace msptool {
CompoundFile::~CompoundFile() {
  if (root_) gsf_output_close(GSF_OUTPUT(root_.get()));
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
  sink_ = Ref<GsfOutput>(sink);
  root_ = Ref<GsfOutfile>(gsf_outfile_msole_new(sink));
  gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(root_.get()), classId);
  return true;
}

bool CompoundFile::AddStream(GsfOutfile* storage, const std::string& name,
                             const std::string& bytes) {
  const Ref<GsfOutput> stream(gsf_outfile_new_child(storage, name.c_str(), FALSE));
  if (!stream) return false;
  const bool ok = bytes.empty() || gsf_output_write(stream.get(), bytes.size(),
                                                    reinterpret_cast<const guint8*>(bytes.data()));
  return gsf_output_close(stream.get()) && ok;
}

bool CompoundFile::AddStreamFromFile(GsfOutfile* storage, const std::string& name,
                                     const std::string& path) {
  const Ref<GsfInput> source(gsf_input_stdio_new(path.c_str(), nullptr));
  if (!source) return false;
  const Ref<GsfOutput> stream(gsf_outfile_new_child(storage, name.c_str(), FALSE));
  if (!stream) return false;
  const bool ok = gsf_input_copy(source.get(), stream.get());
  return gsf_output_close(stream.get()) && ok;
}

GsfOutfile* CompoundFile::AddStorage(GsfOutfile* storage, const std::string& name,
                                     const unsigned char classId[16]) {
  GsfOutput* child = gsf_outfile_new_child(storage, name.c_str(), TRUE);
  if (!child) return nullptr;
  gsf_outfile_msole_set_class_id(GSF_OUTFILE_MSOLE(child), classId);
  return GSF_OUTFILE(child);
}

bool CompoundFile::CloseStorage(GsfOutfile* storage) {
  const Ref<GsfOutfile> owned(storage);
  return gsf_output_close(GSF_OUTPUT(storage));
}

bool CompoundFile::Close(std::string& error) {
  bool ok = gsf_output_close(GSF_OUTPUT(root_.get()));
  root_ = {};
  // Closing the compound file closes its sink as well.
  if (!gsf_output_is_closed(sink_.get())) ok = gsf_output_close(sink_.get()) && ok;
  sink_ = {};
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
