// A cabinet holding the files a patch installs, each under its File table key.
// Every file carries the same fixed date, so that the same files always make
// the same bytes.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

typedef struct _GError GError;

namespace msptool {

struct CabinetFile {
  std::string name;    // the File table key the installer looks the file up by
  std::string path;    // where the bytes to install are
  std::uint64_t size;  // their length
};

// Writes the cabinet (one MSZIP folder) to `cabinetPath`, reading each file
// as it is compressed: memory stays small whatever the files' sizes. False
// with `error` set on failure.
bool WriteCabinet(const std::vector<CabinetFile>& files, const std::string& cabinetPath,
                  std::string& error);

// Sets `error` to `what` and the GError's message, frees it, returns false.
bool CabinetFailed(GError* err, const std::string& what, std::string& error);

}  // namespace msptool
