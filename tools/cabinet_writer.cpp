#include "cabinet_writer.h"

#include <gio/gio.h>
#include <libgcab.h>

namespace msptool {
namespace {

// Owns one GObject reference.
template <typename T>
class Ref {
 public:
  explicit Ref(T* p) : p_(p) {}
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  ~Ref() {
    if (p_) g_object_unref(p_);
  }
  T* get() const { return p_; }

 private:
  T* p_;
};

bool Failed(GError* err, const std::string& what, std::string& error) {
  error = what + ": " + (err ? err->message : "unknown error");
  if (err) g_error_free(err);
  return false;
}

}  // namespace

bool BuildCabinet(const std::vector<CabinetFile>& files, std::string& cabinet, std::string& error) {
  Ref<GCabCabinet> cab(gcab_cabinet_new());
  Ref<GCabFolder> folder(gcab_folder_new(GCAB_COMPRESSION_MSZIP));
  // 2026-01-01 00:00: the date of every file, whenever the cabinet is made.
  GDateTime* date = g_date_time_new_utc(2026, 1, 1, 0, 0, 0);
  GError* err = nullptr;
  for (const auto& file : files) {
    GBytes* bytes = g_bytes_new(file.contents.data(), file.contents.size());
    Ref<GCabFile> entry(gcab_file_new_with_bytes(file.name.c_str(), bytes));
    g_bytes_unref(bytes);
    gcab_file_set_date_time(entry.get(), date);
    gcab_file_set_attributes(entry.get(), GCAB_FILE_ATTRIBUTE_ARCH);
    if (!gcab_folder_add_file(folder.get(), entry.get(), FALSE, nullptr, &err)) {
      g_date_time_unref(date);
      return Failed(err, "cannot add " + file.name + " to the cabinet", error);
    }
  }
  g_date_time_unref(date);
  if (!gcab_cabinet_add_folder(cab.get(), folder.get(), &err))
    return Failed(err, "cannot make the cabinet", error);

  Ref<GOutputStream> out(g_memory_output_stream_new_resizable());
  if (!gcab_cabinet_write_simple(cab.get(), out.get(), nullptr, nullptr, nullptr, &err) ||
      !g_output_stream_close(out.get(), nullptr, &err))
    return Failed(err, "cannot write the cabinet", error);
  auto* memory = G_MEMORY_OUTPUT_STREAM(out.get());
  cabinet.assign(static_cast<const char*>(g_memory_output_stream_get_data(memory)),
                 g_memory_output_stream_get_data_size(memory));
  return true;
}

}  // namespace msptool
