// A cabinet holding the files a patch installs, each under its File table key.
// Every file carries the same fixed date, so that the same files always make
// the same bytes.
#pragma once

#include <string>
#include <vector>

namespace msptool {

struct CabinetFile {
  std::string name;      // the File table key the installer looks the file up by
  std::string contents;  // the bytes to install
};

// The cabinet's bytes (one MSZIP folder), or false with `error` set.
bool BuildCabinet(const std::vector<CabinetFile>& files, std::string& cabinet, std::string& error);

}  // namespace msptool
