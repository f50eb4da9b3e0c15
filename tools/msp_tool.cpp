// msp_tool: authors, checks and describes the patch package that spinstall
// carries.
//
//   msp_tool author DEFINITION OUT.msp    write the package a definition names
//   msp_tool check [--authored] PACKAGE [DESCRIPTOR...]
//                                          check a package (and descriptors)
//   msp_tool describe PACKAGE TEMPLATE OUT [N]
//                                          fill a descriptor template for the
//                                          Nth target product (default 1);
//                                          @KEYWORDS@ and @TARGETS@ give
//                                          properties 5 and 7 as they stand
//   msp_tool stamp PACKAGE OUT VERSION-RULE
//                                          copy a package with a new property 5
//   msp_tool diff BEFORE.msi AFTER.msi     print the difference of two databases
//   msp_tool transform BEFORE.msi AFTER.msi OUT.mst
//                                          write that difference as a transform
//
// What the program relies on (properties 5, 7, 8 and 9, the descriptors) is
// checked strictly for every package. The Windows patch shape is required of
// packages msp_tool authored (--authored); for a package made by another tool
// a difference is a warning, as that tool may shape its patches otherwise.
//
// Every failure is one line on standard error that names the offending value,
// and exit status 1.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

#include "compound_reader.h"
#include "conventions.h"
#include "definition.h"
#include "file_bytes.h"
#include "msi/database_reader.h"
#include "msi/diff_text.h"
#include "msi/transform_writer.h"
#include "package_stamp.h"
#include "package_summary.h"
#include "patch_plan.h"
#include "patch_shape.h"

namespace msptool {
namespace {

int Fail(const std::string& message) {
  std::cerr << "msp_tool: error: " << message << "\n";
  return 1;
}

int Author(const std::string& definitionPath, const std::string& outPath) {
  std::string text, error;
  if (!ReadFileBytes(definitionPath, text)) return Fail("cannot read " + definitionPath);
  Definition def;
  if (!ParseDefinition(text, def, error)) return Fail(definitionPath + ": " + error);
  PatchPlan plan;
  std::vector<std::string> warnings;
  const auto slash = definitionPath.find_last_of('/');
  const std::string folder = slash == std::string::npos ? "." : definitionPath.substr(0, slash);
  if (!MakePatchPlan(def, folder, plan, warnings, error))
    return Fail(definitionPath + ": " + error);
  for (const auto& w : warnings) std::cerr << "msp_tool: warning: " << w << "\n";
  if (!WritePatchPackage(plan.summary, plan.content, outPath, error)) return Fail(error);
  return 0;
}

int Check(const std::string& packagePath, const std::vector<std::string>& descriptors,
          bool authored) {
  std::string error;
  std::uint64_t size = 0;
  if (!ReadableFileSize(packagePath, size)) return Fail("cannot read " + packagePath);
  PackageSummary summary;
  if (!ReadPackageSummary(packagePath, summary, error)) return Fail(error);
  std::vector<std::string> warnings;
  for (const auto& problem :
       {CheckTargetList(summary.targets), CheckVersionRule(summary.keywords, warnings),
        CheckTransformList(summary.transforms), CheckPatchCode(summary.revision)}) {
    if (!problem.empty()) return Fail(packagePath + ": " + problem);
  }
  CompoundEntry root;
  if (!ReadCompound(packagePath, root, error, false)) return Fail(error);
  const PatchShape shape = InspectPatchShape(root, summary.transforms, summary.revision);
  if (authored && !shape.problems.empty()) return Fail(packagePath + ": " + shape.problems[0]);
  warnings.insert(warnings.end(), shape.problems.begin(), shape.problems.end());
  for (const auto& w : warnings)
    std::cerr << "msp_tool: warning: " << packagePath << ": " << w << "\n";
  const DescribedPackage described{size, summary.targets, CandidateText(summary.keywords),
                                   summary.revision};
  for (const auto& path : descriptors) {
    std::string text;
    if (!ReadFileBytes(path, text)) return Fail("cannot read descriptor " + path);
    if (auto problem = CheckDescriptor(text, described); !problem.empty())
      return Fail(path + ": " + problem);
  }
  std::cout << packagePath << ": " << shape.report << "\n";
  return 0;
}

int Stamp(const std::string& packagePath, const std::string& outPath, const std::string& rule) {
  std::vector<std::string> warnings;
  if (auto problem = CheckVersionRule(rule, warnings); !problem.empty()) return Fail(problem);
  std::string error;
  if (!StampPackage(packagePath, outPath, rule, error)) return Fail(error);
  // The copy must be one the build carries; the check reports the rule's
  // warnings with the rest.
  return Check(outPath, {}, false);
}

int Describe(const std::string& packagePath, const std::string& templatePath,
             const std::string& outPath, const std::string& targetNumber) {
  std::string text, error;
  std::uint64_t size = 0;
  if (!ReadableFileSize(packagePath, size)) return Fail("cannot read " + packagePath);
  if (!ReadFileBytes(templatePath, text)) return Fail("cannot read " + templatePath);
  PackageSummary summary;
  if (!ReadPackageSummary(packagePath, summary, error)) return Fail(error);
  const auto targets = Split(summary.targets, ';');
  const std::size_t n = std::strtoul(targetNumber.c_str(), nullptr, 10);
  if (n == 0 || n > targets.size() || targetNumber != std::to_string(n))
    return Fail(packagePath + ": no target product number " + Quoted(targetNumber) + " among " +
                std::to_string(targets.size()));
  const std::pair<std::string, std::string> fills[] = {
      {"@PATCH_SIZE@", std::to_string(size)},
      {"@CANDIDATES@", CandidateText(summary.keywords)},
      {"@PRODUCT_CODE@", targets[n - 1]},
      {"@PATCH_CODE@", summary.revision.substr(0, 38)},
      {"@TITLE@", summary.title.empty() ? summary.subject : summary.title},
      {"@KEYWORDS@", summary.keywords},
      {"@TARGETS@", summary.targets}};
  for (const auto& [marker, value] : fills) {
    for (auto at = text.find(marker); at != std::string::npos; at = text.find(marker, at))
      text.replace(at, marker.size(), value);
  }
  // Descriptor lines end with CR LF, the last one too.
  std::string out;
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out += line + "\r\n";
  }
  std::ofstream file(outPath, std::ios::binary | std::ios::trunc);
  if (!file.write(out.data(), static_cast<std::streamsize>(out.size())) || !file.flush())
    return Fail("cannot write " + outPath);
  return 0;
}

int DiffDatabases(const std::string& beforePath, const std::string& afterPath) {
  msi::Database before, after;
  msi::DatabaseDiff diff;
  std::string error;
  if (!msi::ReadDatabase(beforePath, before, error) ||
      !msi::ReadDatabase(afterPath, after, error) || !msi::Diff(before, after, diff, error))
    return Fail(error);
  std::cout << msi::DiffText(diff);
  return 0;
}

int MakeTransform(const std::string& beforePath, const std::string& afterPath,
                  const std::string& outPath) {
  std::string error;
  if (!msi::WriteTransformFile(beforePath, afterPath, outPath, error)) return Fail(error);
  return 0;
}

}  // namespace
}  // namespace msptool

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "author") return msptool::Author(args[1], args[2]);
  const bool authored = args.size() >= 3 && args[0] == "check" && args[1] == "--authored";
  if (args.size() >= 2 && args[0] == "check")
    return msptool::Check(args[authored ? 2 : 1], {args.begin() + (authored ? 3 : 2), args.end()},
                          authored);
  if (args.size() == 4 && args[0] == "stamp") return msptool::Stamp(args[1], args[2], args[3]);
  if ((args.size() == 4 || args.size() == 5) && args[0] == "describe")
    return msptool::Describe(args[1], args[2], args[3], args.size() == 5 ? args[4] : "1");
  if (args.size() == 3 && args[0] == "diff") return msptool::DiffDatabases(args[1], args[2]);
  if (args.size() == 4 && args[0] == "transform")
    return msptool::MakeTransform(args[1], args[2], args[3]);
  std::cerr << "usage: msp_tool author DEFINITION OUT.msp\n"
               "       msp_tool check [--authored] PACKAGE [DESCRIPTOR...]\n"
               "       msp_tool describe PACKAGE TEMPLATE OUT [N]\n"
               "       msp_tool stamp PACKAGE OUT VERSION-RULE\n"
               "       msp_tool diff BEFORE.msi AFTER.msi\n"
               "       msp_tool transform BEFORE.msi AFTER.msi OUT.mst\n";
  return 2;
}
