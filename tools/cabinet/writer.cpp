#include "cabinet/writer.h"

#include <gio/gio.h>
#include <libgcab.h>

#include "base/gobject_ref.h"

namespace msptool {

bool CabinetFailed(GError* err, const std::string& what, std::string& error) {
  error = what + ": " + (err ? err->message : "unknown error");
  if (err) g_error_free(err);
  return false;
}

bool WriteCabinet(const std::vector<CabinetFile>& files, const std::string& cabinetPath,
                  std::string& error) {
  Ref<GCabCabinet> cab(gcab_cabinet_new());
  Ref<GCabFolder> folder(gcab_folder_new(GCAB_COMPRESSION_MSZIP));
  // 2026-01-01 00:00: the date of every file, whenever the cabinet is made.
  GDateTime* date = g_date_time_new_utc(2026, 1, 1, 0, 0, 0);
  GError* err = nullptr;
  for (const auto& file : files) {
    Ref<GFile> source(g_file_new_for_path(file.path.c_str()));
    Ref<GCabFile> entry(gcab_file_new_with_file(file.name.c_str(), source.get()));
    gcab_file_set_date_time(entry.get(), date);
    gcab_file_set_attributes(entry.get(), GCAB_FILE_ATTRIBUTE_ARCH);
    if (!gcab_folder_add_file(folder.get(), entry.get(), FALSE, nullptr, &err)) {
      g_date_time_unref(date);
      return CabinetFailed(err, "cannot add " + file.name + " to the cabinet", error);
    }
  }
  g_date_time_unref(date);
  if (!gcab_cabinet_add_folder(cab.get(), folder.get(), &err))
    return CabinetFailed(err, "cannot make the cabinet", error);

  Ref<GFile> target(g_file_new_for_path(cabinetPath.c_str()));
  Ref<GFileOutputStream> out(
      g_file_replace(target.get(), nullptr, FALSE, G_FILE_CREATE_PRIVATE, nullptr, &err));
  if (!out.get()) return CabinetFailed(err, "cannot create " + cabinetPath, error);
  if (!gcab_cabinet_write_simple(cab.get(), G_OUTPUT_STREAM(out.get()), nullptr, nullptr, nullptr,
                                 &err) ||
      !g_output_stream_close(G_OUTPUT_STREAM(out.get()), nullptr, &err))
    return CabinetFailed(err, "cannot write the cabinet", error);
  return true;
}

}  // namespace msptool
