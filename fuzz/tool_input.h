// Handing a fuzzer's bytes to msp_tool's readers, which read files.
#pragma once

#include <glib.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

// libgsf leaks memory on some malformed files (in gsf_infile_msole_new); with
// the fast unwinder a leak's stack ends in GLib's allocator, so GLib's
// allocations are not reported. The readers hold GLib objects only in RAII
// wrappers.
extern "C" const char* __lsan_default_suppressions() { return "leak:libglib-2.0.so\n"; }

namespace fuzzing {

// The bytes as the one file of this fuzzing process, rewritten for each input.
// The readers' warnings about malformed files are not printed.
inline std::string ToolInputFile(const std::uint8_t* data, std::size_t size) {
  static const std::string path = [] {
    g_log_set_default_handler([](const gchar*, GLogLevelFlags, const gchar*, gpointer) {}, nullptr);
    char name[] = "/tmp/msp_tool-fuzz-XXXXXX";
    const int fd = ::mkstemp(name);
    if (fd >= 0) ::close(fd);
    return std::string(name);
  }();
  if (FILE* file = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, file);
    std::fclose(file);
  }
  return path;
}

}  // namespace fuzzing
