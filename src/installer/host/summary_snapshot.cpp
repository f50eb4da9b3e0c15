#include "installer/host/summary_snapshot.h"

#include <libmsi.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstring>

namespace spinstall::installer::host {
namespace {

constexpr std::uint32_t kLastProperty = 19;  // PID_SECURITY
constexpr int kExitNotOpened = 3;

bool WriteAll(int fd, const std::string& bytes) {
  std::size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<std::size_t>(n);
  }
  return true;
}

void PutNumber(std::string& out, std::uint64_t value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

bool TakeNumber(const std::string& in, std::size_t& at, std::uint64_t& value) {
  if (in.size() - at < sizeof value) return false;
  std::memcpy(&value, in.data() + at, sizeof value);
  at += sizeof value;
  return true;
}

// Runs in the child: every property as (id, type, number, length, text).
[[noreturn]] void ReadInChild(const std::string& path, int fd) {
  // A crash here is the answer "not a package", not something for the parent's
  // crash handlers (a sanitizer's or a fuzzer's) to report.
  for (int signal : {SIGSEGV, SIGBUS, SIGILL, SIGFPE, SIGABRT}) ::signal(signal, SIG_DFL);
  GError* error = nullptr;
  LibmsiDatabase* db = libmsi_database_new(path.c_str(), LIBMSI_DB_FLAGS_READONLY, nullptr, &error);
  if (!db) ::_exit(kExitNotOpened);
  LibmsiSummaryInfo* si = libmsi_summary_info_new(db, 0, nullptr);
  if (!si) ::_exit(1);
  std::string out;
  for (std::uint32_t id = 1; id <= kLastProperty; ++id) {
    const auto property = static_cast<LibmsiProperty>(id);
    std::string text;
    std::uint64_t number = 0;
    std::uint64_t type = 0;
    switch (libmsi_summary_info_get_property_type(si, property, nullptr)) {
      case LIBMSI_PROPERTY_TYPE_STRING: {
        const gchar* value = libmsi_summary_info_get_string(si, property, nullptr);
        text = value ? value : "";
        type = 1;
        break;
      }
      case LIBMSI_PROPERTY_TYPE_INT:
        number = static_cast<std::uint64_t>(libmsi_summary_info_get_int(si, property, nullptr));
        type = 2;
        break;
      case LIBMSI_PROPERTY_TYPE_FILETIME:
        number = libmsi_summary_info_get_filetime(si, property, nullptr);
        type = 3;
        break;
      default:
        continue;
    }
    PutNumber(out, id);
    PutNumber(out, type);
    PutNumber(out, number);
    PutNumber(out, text.size());
    out += text;
  }
  ::_exit(WriteAll(fd, out) ? 0 : 1);
}

bool Decode(const std::string& in, SummarySnapshot& out) {
  std::size_t at = 0;
  while (at < in.size()) {
    std::uint64_t id, type, number, length;
    if (!TakeNumber(in, at, id) || !TakeNumber(in, at, type) || !TakeNumber(in, at, number) ||
        !TakeNumber(in, at, length) || in.size() - at < length || type < 1 || type > 3)
      return false;
    SummaryValue value;
    value.type = type == 1   ? SummaryValue::Type::Text
                 : type == 2 ? SummaryValue::Type::Integer
                             : SummaryValue::Type::FileTime;
    value.number = static_cast<std::int64_t>(number);
    value.text = in.substr(at, length);
    at += length;
    out.properties[static_cast<std::uint32_t>(id)] = value;
  }
  return true;
}

}  // namespace

SnapshotResult ReadSummarySnapshot(const std::string& path, SummarySnapshot& out) {
  int pipeEnds[2];
  if (::pipe(pipeEnds) != 0) return SnapshotResult::NotOpened;
  const pid_t child = ::fork();
  if (child < 0) {
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    return SnapshotResult::NotOpened;
  }
  if (child == 0) {
    ::close(pipeEnds[0]);
    ReadInChild(path, pipeEnds[1]);
  }
  ::close(pipeEnds[1]);
  std::string bytes;
  char chunk[4096];
  for (;;) {
    const ssize_t n = ::read(pipeEnds[0], chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    bytes.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(pipeEnds[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == kExitNotOpened) return SnapshotResult::NotOpened;
  SummarySnapshot snapshot;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !Decode(bytes, snapshot))
    return SnapshotResult::NotAPackage;
  out = std::move(snapshot);
  return SnapshotResult::Read;
}

}  // namespace spinstall::installer::host
