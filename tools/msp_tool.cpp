// msp_tool: authors, checks and describes the patch package that spinstall
// carries.
//
//   msp_tool author DEFINITION OUT.msp    write the package a definition names
//   msp_tool check PACKAGE [DESCRIPTOR...] check a package (and descriptors)
//   msp_tool describe PACKAGE TEMPLATE OUT fill a descriptor template: @PATCH_SIZE@,
//                                          @CANDIDATES@, and the summary properties
//                                          as they stand, @KEYWORDS@ (5),
//                                          @TARGETS@ (7) and @REVISION@ (9)
//
// Every failure is one line on standard error that names the offending value,
// and exit status 1.
#include <cstdio>
#include <fstream>
#include <iostream>
#include <sstream>

#include "conventions.h"
#include "definition.h"
#include "file_bytes.h"
#include "package_summary.h"
#include "patch_plan.h"

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

int Check(const std::string& packagePath, const std::vector<std::string>& descriptors) {
  std::string bytes, error;
  if (!ReadFileBytes(packagePath, bytes)) return Fail("cannot read " + packagePath);
  PackageSummary summary;
  if (!ReadPackageSummary(packagePath, summary, error)) return Fail(error);
  std::vector<std::string> warnings;
  for (const auto& problem :
       {CheckTargetList(summary.targets), CheckVersionRule(summary.keywords, warnings),
        CheckTransformList(summary.transforms), CheckPatchCode(summary.revision)}) {
    if (!problem.empty()) return Fail(packagePath + ": " + problem);
  }
  for (const auto& w : warnings)
    std::cerr << "msp_tool: warning: " << packagePath << ": " << w << "\n";
  const DescribedPackage described{bytes.size(), summary.targets, CandidateText(summary.keywords),
                                   summary.revision};
  for (const auto& path : descriptors) {
    std::string text;
    if (!ReadFileBytes(path, text)) return Fail("cannot read descriptor " + path);
    if (auto problem = CheckDescriptor(text, described); !problem.empty())
      return Fail(path + ": " + problem);
  }
  return 0;
}

int Describe(const std::string& packagePath, const std::string& templatePath,
             const std::string& outPath) {
  std::string bytes, text, error;
  if (!ReadFileBytes(packagePath, bytes)) return Fail("cannot read " + packagePath);
  if (!ReadFileBytes(templatePath, text)) return Fail("cannot read " + templatePath);
  PackageSummary summary;
  if (!ReadPackageSummary(packagePath, summary, error)) return Fail(error);
  const std::pair<std::string, std::string> fills[] = {
      {"@PATCH_SIZE@", std::to_string(bytes.size())},
      {"@CANDIDATES@", CandidateText(summary.keywords)},
      {"@KEYWORDS@", summary.keywords},
      {"@TARGETS@", summary.targets},
      {"@REVISION@", summary.revision}};
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

}  // namespace
}  // namespace msptool

int main(int argc, char** argv) {
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (args.size() == 3 && args[0] == "author") return msptool::Author(args[1], args[2]);
  if (args.size() >= 2 && args[0] == "check")
    return msptool::Check(args[1], {args.begin() + 2, args.end()});
  if (args.size() == 4 && args[0] == "describe")
    return msptool::Describe(args[1], args[2], args[3]);
  std::cerr << "usage: msp_tool author DEFINITION OUT.msp\n"
               "       msp_tool check PACKAGE [DESCRIPTOR...]\n"
               "       msp_tool describe PACKAGE TEMPLATE OUT\n";
  return 2;
}
