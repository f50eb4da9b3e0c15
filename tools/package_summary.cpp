#include "package_summary.h"

#include <libmsi.h>

namespace msptool {
namespace {

template <typename T>
struct GObjectPtr {
  T* p = nullptr;
  ~GObjectPtr() {
    if (p) g_object_unref(p);
  }
};

std::string ReadString(LibmsiSummaryInfo* si, LibmsiProperty id) {
  if (libmsi_summary_info_get_property_type(si, id, nullptr) != LIBMSI_PROPERTY_TYPE_STRING)
    return {};
  const gchar* value = libmsi_summary_info_get_string(si, id, nullptr);
  return value ? value : "";
}

}  // namespace

bool ReadPackageSummary(const std::string& path, PackageSummary& out, std::string& error) {
  GError* err = nullptr;
  GObjectPtr<LibmsiDatabase> db{
      libmsi_database_new(path.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, &err)};
  if (!db.p) {
    error = std::string("is not an installer package: ") + (err ? err->message : "cannot open");
    if (err) g_error_free(err);
    return false;
  }
  GObjectPtr<LibmsiSummaryInfo> si{libmsi_summary_info_new(db.p, 0, &err)};
  if (!si.p) {
    error = std::string("has no readable summary information: ") + (err ? err->message : "");
    if (err) g_error_free(err);
    return false;
  }
  out.title = ReadString(si.p, LIBMSI_PROPERTY_TITLE);
  out.subject = ReadString(si.p, LIBMSI_PROPERTY_SUBJECT);
  out.keywords = ReadString(si.p, LIBMSI_PROPERTY_KEYWORDS);
  out.comments = ReadString(si.p, LIBMSI_PROPERTY_COMMENTS);
  out.targets = ReadString(si.p, LIBMSI_PROPERTY_TEMPLATE);
  out.transforms = ReadString(si.p, LIBMSI_PROPERTY_LASTAUTHOR);
  out.revision = ReadString(si.p, LIBMSI_PROPERTY_UUID);
  return true;
}

}  // namespace msptool
