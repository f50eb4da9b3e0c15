// Test support: writes NAME.old (NAME.old2, ... for a case of several old
// files), NAME.new and NAME.delta for every delta test case that has a delta
// (not those from an empty file) into a folder, and their names to list.txt,
// for the Wine test that applies the deltas with the system's own patch engine.
#include <cstdio>
#include <fstream>
#include <string>

#include "delta/delta.h"
#include "support/delta_cases.h"

namespace {

bool Write(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()),
            static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: delta_case_maker FOLDER\n");
    return 2;
  }
  const std::string folder = argv[1];
  std::ofstream list(folder + "/list.txt");
  for (const auto& c : toolstest::DeltaCases()) {
    const delta::DeltaOutcome made = delta::EncodeDelta(toolstest::OldFiles(c), c.new_file);
    if (made.result == delta::DeltaResult::kEmptyOldFile) continue;  // carried whole instead
    if (made.result != delta::DeltaResult::kOk) {
      std::fprintf(stderr, "%s: no delta (result %d)\n", c.name.c_str(),
                   static_cast<int>(made.result));
      return 1;
    }
    const std::string base = folder + "/" + c.name;
    bool written = Write(base + ".new", c.new_file) && Write(base + ".delta", made.bytes);
    const auto old_files = toolstest::OldFiles(c);
    for (std::size_t i = 0; i < old_files.size(); ++i)
      written = written && Write(base + ".old" + (i ? std::to_string(i + 1) : ""), old_files[i]);
    if (!written) {
      std::fprintf(stderr, "cannot write %s\n", base.c_str());
      return 1;
    }
    list << c.name << '\n';
  }
  return list ? 0 : 1;
}
