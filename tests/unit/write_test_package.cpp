// write_test_package PATH VERSION_RULE TARGETS: a patch package made with the
// writer the build uses, its property 5 and 7 exactly as given (unchecked).
// A program of its own, so that the unit tests need none of the libraries
// behind the writer and start in a few milliseconds.
#include <iostream>

#include "patch/package_writer.h"

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: write_test_package PATH VERSION_RULE TARGETS\n";
    return 2;
  }
  msptool::PatchSummary summary;
  summary.title = "test patch";
  summary.keywords = argv[2];
  summary.targets = argv[3];
  summary.patchCode = "{00000000-0000-0000-0000-000000000001}";
  std::string error;
  if (msptool::WritePatchPackage(summary, {}, argv[1], error)) return 0;
  std::cerr << error << '\n';
  return 1;
}
