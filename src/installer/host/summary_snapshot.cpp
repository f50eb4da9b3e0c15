#include "installer/host/summary_snapshot.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>

extern char** environ;

namespace spinstall::installer::host {
namespace {

void PutNumber(std::string& out, std::uint64_t value) {
  out.append(reinterpret_cast<const char*>(&value), sizeof value);
}

bool TakeNumber(const std::string& in, std::size_t& at, std::uint64_t& value) {
  if (in.size() - at < sizeof value) return false;
  std::memcpy(&value, in.data() + at, sizeof value);
  at += sizeof value;
  return true;
}

// Starts the helper on `path` with its standard output on a pipe; the read
// end, or -1.
int StartHelper(const std::string& path, pid_t& child) {
  int pipeEnds[2];
  if (::pipe2(pipeEnds, O_CLOEXEC) != 0) return -1;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], STDOUT_FILENO);
  char* const argv[] = {const_cast<char*>(SPINSTALL_SUMMARY_HELPER),
                        const_cast<char*>(path.c_str()), nullptr};
  const int spawned = ::posix_spawn(&child, argv[0], &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(pipeEnds[1]);
  if (spawned != 0) {
    ::close(pipeEnds[0]);
    return -1;
  }
  return pipeEnds[0];
}

}  // namespace

std::string EncodeSnapshot(const SummarySnapshot& snapshot) {
  std::string out;
  for (const auto& [id, value] : snapshot.properties) {
    PutNumber(out, id);
    PutNumber(out, static_cast<std::uint64_t>(value.type) + 1);
    PutNumber(out, static_cast<std::uint64_t>(value.number));
    PutNumber(out, value.text.size());
    out += value.text;
  }
  return out;
}

bool DecodeSnapshot(const std::string& in, SummarySnapshot& out) {
  std::size_t at = 0;
  while (at < in.size()) {
    std::uint64_t id, type, number, length;
    if (!TakeNumber(in, at, id) || !TakeNumber(in, at, type) || !TakeNumber(in, at, number) ||
        !TakeNumber(in, at, length) || in.size() - at < length || type < 1 || type > 3)
      return false;
    SummaryValue value;
    value.type = static_cast<SummaryValue::Type>(type - 1);
    value.number = static_cast<std::int64_t>(number);
    value.text = in.substr(at, length);
    at += length;
    out.properties[static_cast<std::uint32_t>(id)] = value;
  }
  return true;
}

SnapshotResult ReadSummarySnapshot(const std::string& path, SummarySnapshot& out) {
  pid_t child = 0;
  const int fd = StartHelper(path, child);
  if (fd < 0) return SnapshotResult::NotOpened;
  std::string bytes;
  {
    const std::unique_ptr<std::FILE, int (*)(std::FILE*)> pipe(::fdopen(fd, "rb"), &std::fclose);
    if (!pipe) ::close(fd);
    char chunk[4096];
    while (pipe) {
      const std::size_t n = std::fread(chunk, 1, sizeof chunk, pipe.get());
      bytes.append(chunk, n);
      if (n < sizeof chunk) break;
    }
  }
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == kSnapshotExitNotOpened)
    return SnapshotResult::NotOpened;
  SummarySnapshot snapshot;
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || !DecodeSnapshot(bytes, snapshot))
    return SnapshotResult::NotAPackage;
  out = std::move(snapshot);
  return SnapshotResult::Read;
}

}  // namespace spinstall::installer::host
