// The summary information of a package file as the host stand-in serves it:
// read with libmsi in a child process, because libmsi crashes on some
// malformed files (found by fuzzing), and a hostile package must not take the
// program down with it.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace spinstall::installer::host {

struct SummaryValue {
  enum class Type { Text, Integer, FileTime } type = Type::Text;
  std::string text;  // UTF-8
  std::int64_t number = 0;
};

struct SummarySnapshot {
  std::map<std::uint32_t, SummaryValue> properties;  // by property id
};

enum class SnapshotResult { Read, NotOpened, NotAPackage };

SnapshotResult ReadSummarySnapshot(const std::string& path, SummarySnapshot& out);

}  // namespace spinstall::installer::host
