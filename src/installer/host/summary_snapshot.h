// The summary information of a package file as the host stand-in serves it.
// It is read with libmsi by a helper program, spinstall_summary, in a process
// of its own: libmsi crashes on some malformed files (found by fuzzing), and a
// hostile package must not take the program down with it. The program itself
// then never loads libmsi and GLib, which most runs never need.
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

// How the helper hands a snapshot over: every property as (id, type, number,
// length, text). Decoding fails on anything the encoding cannot have made.
std::string EncodeSnapshot(const SummarySnapshot& snapshot);
bool DecodeSnapshot(const std::string& bytes, SummarySnapshot& out);

// The helper's exit status when the file cannot be opened at all.
inline constexpr int kSnapshotExitNotOpened = 3;

}  // namespace spinstall::installer::host
