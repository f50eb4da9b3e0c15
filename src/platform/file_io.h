// What each system provides under the portable file logic of files.cpp: one
// request at a time on an open file. Only the platform layer includes this.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/files.h"

namespace spinstall::platform::io {

// One write request at the current position (at the end for a patch list);
// the bytes written, or -1 with the last-error value set.
std::int64_t WriteOnce(FileHandle& file, const unsigned char* data, std::size_t size);
// Copies bytes that lie in the program's own executable file straight from
// that file, without touching their pages in memory: the bytes copied from
// the start of `data` (0 when they are not in the file or the system offers
// no such copy), or -1 with the last-error value set.
std::int64_t CopyFromImage(FileHandle& file, const unsigned char* data, std::size_t size);
// One read request; the bytes read (0 at the end), or -1 with the last-error
// value set.
std::int64_t ReadOnce(FileHandle& file, unsigned char* data, std::size_t size);
bool SeekTo(FileHandle& file, std::int64_t offset);
// The file's length; -1 with the last-error value set.
std::int64_t Length(FileHandle& file);

}  // namespace spinstall::platform::io
