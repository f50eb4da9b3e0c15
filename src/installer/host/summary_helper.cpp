// spinstall_summary PACKAGE: reads the package's summary information with
// libmsi and writes it to standard output in the snapshot encoding. Exit
// status 0 when read, kSnapshotExitNotOpened when the file cannot be opened,
// anything else (a crash included) when it is not a package.
#include <libmsi.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>

#include "installer/host/summary_snapshot.h"
#include "installer/summary_information.h"

using spinstall::installer::host::SummarySnapshot;
using spinstall::installer::host::SummaryValue;

namespace {

SummarySnapshot Read(LibmsiSummaryInfo* si) {
  SummarySnapshot snapshot;
  for (std::uint32_t id = 1; id <= spinstall::summary_information::kSecurityProperty; ++id) {
    const auto property = static_cast<LibmsiProperty>(id);
    SummaryValue value;
    switch (libmsi_summary_info_get_property_type(si, property, nullptr)) {
      case LIBMSI_PROPERTY_TYPE_STRING: {
        const gchar* text = libmsi_summary_info_get_string(si, property, nullptr);
        value.text = text ? text : "";
        break;
      }
      case LIBMSI_PROPERTY_TYPE_INT:
        value.type = SummaryValue::Type::Integer;
        value.number = libmsi_summary_info_get_int(si, property, nullptr);
        break;
      case LIBMSI_PROPERTY_TYPE_FILETIME:
        value.type = SummaryValue::Type::FileTime;
        value.number =
            static_cast<std::int64_t>(libmsi_summary_info_get_filetime(si, property, nullptr));
        break;
      default:
        continue;
    }
    snapshot.properties[id] = value;
  }
  return snapshot;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  // A crash is the answer "not a package", not something for a sanitizer's
  // crash handlers to report.
  for (int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT}) std::signal(signal, SIG_DFL);
  GError* error = nullptr;
  LibmsiDatabase* db = libmsi_database_new(argv[1], LIBMSI_DB_FLAGS_READONLY, nullptr, &error);
  if (!db) ::_exit(spinstall::installer::host::kSnapshotExitNotOpened);
  LibmsiSummaryInfo* si = libmsi_summary_info_new(db, 0, nullptr);
  if (!si) ::_exit(1);
  const std::string out = spinstall::installer::host::EncodeSnapshot(Read(si));
  const bool written =
      std::fwrite(out.data(), 1, out.size(), stdout) == out.size() && std::fflush(stdout) == 0;
  // _exit: libmsi's objects die with the process, unreported by a leak checker.
  ::_exit(written ? 0 : 1);
}
