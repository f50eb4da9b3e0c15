// msp_tool: authors, checks and describes the patch package that spinstall
// carries.
//
//   msp_tool create OUT.msp BASELINE UPGRADED [BASELINE UPGRADED]...
//                   [--patch-code GUID] [--title TEXT] [--not-removable]
//                                          derive a patch from its targets'
//                                          baseline and upgraded packages
//   msp_tool author DEFINITION OUT.msp    the same for the pairs a definition
//                                          names (the carried package)
//   msp_tool check [--authored] PACKAGE [DESCRIPTOR...] [--baselines MSI...]
//                                          check a package (and descriptors;
//                                          with the baselines, which files
//                                          Windows would replace: file_rules.h)
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
// and exit status 1. The commands that read a package run in a child process
// (crash_guard.h), and stamp writes nothing unless the copy passes the check.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <set>
#include <sstream>

#include "compound_reader.h"
#include "conventions.h"
#include "crash_guard.h"
#include "definition.h"
#include "file_bytes.h"
#include "file_rules.h"
#include "msi/database_reader.h"
#include "msi/diff_text.h"
#include "msi/transform_writer.h"
#include "package_stamp.h"
#include "package_summary.h"
#include "patch_inputs.h"
#include "patch_shape.h"
#include "patch_tables.h"
#include "sibling_file.h"
#include "summary_stream.h"

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
  std::vector<PackagePair> pairs;
  if (!ParseDefinition(text, def, error)) return Fail(definitionPath + ": " + error);
  for (const auto& [key, value] : def.entries) {
    static const std::set<std::string> known = {
        "patch-code",   "title",    "subject",  "author",  "comments",       "url",
        "version-rule", "packages", "baseline", "upgrade", "classification", "target"};
    if (!known.count(key)) return Fail(definitionPath + ": unknown key " + Quoted(key));
    if (key != "target" && def.Count(key) > 1)
      return Fail(definitionPath + ": has more than one " + Quoted(key));
  }
  if (!DefinitionPairs(def, pairs, error)) return Fail(definitionPath + ": " + error);
  PatchOptions options;
  options.patchCode = def.One("patch-code");
  options.title = def.One("title");
  options.subject = def.One("subject");
  options.author = def.One("author");
  options.comments = def.One("comments");
  options.url = def.One("url");
  options.versionRule = def.One("version-rule");
  if (def.Count("classification")) options.classification = def.One("classification");
  if (!options.patchCode.empty() && !IsRegistryCode(options.patchCode))
    return Fail(definitionPath + ": patch-code " + Quoted(options.patchCode) +
                " is not in registry form");
  if (!CreatePatch(pairs, options, outPath, error)) return Fail(definitionPath + ": " + error);
  return 0;
}

int Create(const std::vector<std::string>& args) {
  PatchOptions options;
  std::vector<std::string> packages;
  for (std::size_t i = 1; i < args.size(); ++i) {
    const bool valued = args[i] == "--patch-code" || args[i] == "--title";
    if (valued && i + 1 == args.size()) return Fail(args[i] + " needs a value");
    if (args[i] == "--patch-code")
      options.patchCode = args[++i];
    else if (args[i] == "--title")
      options.title = args[++i];
    else if (args[i] == "--not-removable")
      options.removable = false;
    else
      packages.push_back(args[i]);
  }
  if (packages.size() < 3 || packages.size() % 2 == 0)
    return Fail("create needs OUT.msp and pairs of BASELINE and UPGRADED packages");
  if (!options.patchCode.empty() && !IsRegistryCode(options.patchCode))
    return Fail("patch code " + Quoted(options.patchCode) + " is not in registry form");
  std::vector<PackagePair> pairs;
  for (std::size_t i = 1; i < packages.size(); i += 2)
    pairs.emplace_back(packages[i], packages[i + 1]);
  std::string error;
  if (!CreatePatch(pairs, options, packages[0], error)) return Fail(error);
  return 0;
}

// Windows' file rules for the products `baselinePaths` hold: one line per
// target and file on standard output; kept files, conflicts and undocumented
// bits are errors for an authored package, warnings for another.
bool CheckAgainstBaselines(const std::string& packagePath, const std::string& transforms,
                           const std::vector<std::string>& baselinePaths, bool authored,
                           std::vector<std::string>& warnings, std::string& error) {
  std::vector<msi::Database> baselines(baselinePaths.size());
  for (std::size_t i = 0; i < baselinePaths.size(); ++i) {
    if (!msi::ReadDatabase(baselinePaths[i], baselines[i], error)) return false;
    if (const std::string missing = MissingColumn(baselines[i]); !missing.empty()) {
      error = baselinePaths[i] + ": " + missing;
      return false;
    }
  }
  CompoundEntry root;
  if (!ReadCompoundStreams(packagePath, root, error, [](const std::string& name, int depth) {
        return name == kSummaryStreamName ? StreamContent::Bytes
                                          : msi::DatabaseStreams(name, depth);
      })) {
    error = packagePath + " " + error;
    return false;
  }
  const FileRuleReport report = CheckFileRules(root, transforms, baselines);
  for (const auto& line : report.lines) std::cout << packagePath << ": " << line << "\n";
  if (authored && !report.problems.empty()) {
    error = packagePath + ": " + report.problems[0];
    return false;
  }
  for (const auto& p : report.problems) warnings.push_back(p);
  return true;
}

// Reads the package at `path`; the messages call it `packagePath` (the file
// that a stamp's copy becomes).
int Check(const std::string& packagePath, const std::vector<std::string>& descriptors,
          bool authored, const std::string& path, const std::vector<std::string>& baselines = {}) {
  std::string error;
  std::uint64_t size = 0;
  if (!ReadableFileSize(path, size)) return Fail("cannot read " + packagePath);
  PackageSummary summary;
  if (!ReadPackageSummary(path, summary, error)) return Fail(packagePath + " " + error);
  std::vector<std::string> warnings;
  for (const auto& problem :
       {CheckTargetList(summary.targets), CheckVersionRule(summary.keywords, warnings),
        CheckTransformList(summary.transforms), CheckPatchCode(summary.revision)}) {
    if (!problem.empty()) return Fail(packagePath + ": " + problem);
  }
  CompoundEntry root;
  if (!ReadCompound(path, root, error, false)) return Fail(packagePath + " " + error);
  const PatchShape shape = InspectPatchShape(root, summary.transforms, summary.revision);
  if (authored && !shape.problems.empty()) return Fail(packagePath + ": " + shape.problems[0]);
  warnings.insert(warnings.end(), shape.problems.begin(), shape.problems.end());
  if (!baselines.empty() &&
      !CheckAgainstBaselines(path, summary.transforms, baselines, authored, warnings, error))
    return Fail(error);
  for (const auto& w : warnings)
    std::cerr << "msp_tool: warning: " << packagePath << ": " << w << "\n";
  const DescribedPackage described{size, summary.targets, CandidateText(summary.keywords),
                                   summary.revision};
  for (const auto& descriptor : descriptors) {
    std::string text;
    if (!ReadFileBytes(descriptor, text)) return Fail("cannot read descriptor " + descriptor);
    if (auto problem = CheckDescriptor(text, described); !problem.empty())
      return Fail(descriptor + ": " + problem);
  }
  std::cout << packagePath << ": " << shape.report << "\n";
  return 0;
}

// Runs `command`, which reads the outside package `packagePath`, in a child
// process: a reader's crash ends in a message.
int Guarded(const std::string& packagePath, const std::function<int()>& command) {
  const ChildEnd end = RunInChild(command);
  if (!end.started) return Fail("cannot start a process to read " + packagePath);
  if (end.signal != 0)
    return Fail(packagePath + " is not an installer package: reading it crashed (" +
                strsignal(end.signal) + ")");
  return end.status;
}

int Stamp(const std::string& packagePath, const std::string& outPath, const std::string& rule) {
  std::vector<std::string> warnings;
  if (auto problem = CheckVersionRule(rule, warnings); !problem.empty()) return Fail(problem);
  // The copy is written and checked beside the output, and becomes it only
  // when the check takes it.
  SiblingFile copy(outPath);
  if (!copy.Created()) return Fail("cannot create a file beside " + outPath);
  const int status = Guarded(packagePath, [&] {
    std::string error;
    if (!StampPackage(packagePath, copy.Path(), rule, error)) return Fail(error);
    // The copy must be one the build carries; the check reports the rule's
    // warnings with the rest.
    return Check(outPath, {}, false, copy.Path());
  });
  if (status == 0 && !copy.PutInPlace()) return Fail("cannot write " + outPath);
  return status;
}

int Describe(const std::string& packagePath, const std::string& templatePath,
             const std::string& outPath, const std::string& targetNumber) {
  std::string text, error;
  std::uint64_t size = 0;
  if (!ReadableFileSize(packagePath, size)) return Fail("cannot read " + packagePath);
  if (!ReadFileBytes(templatePath, text)) return Fail("cannot read " + templatePath);
  PackageSummary summary;
  if (!ReadPackageSummary(packagePath, summary, error)) return Fail(packagePath + " " + error);
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
  if (args.size() >= 4 && args[0] == "create") return msptool::Create(args);
  const bool authored = args.size() >= 3 && args[0] == "check" && args[1] == "--authored";
  if (args.size() >= 2 && args[0] == "check") {
    // DESCRIPTOR... then, after --baselines, the baseline packages.
    const std::string& package = args[authored ? 2 : 1];
    const auto split = std::find(args.begin(), args.end(), "--baselines");
    return msptool::Guarded(package, [&] {
      return msptool::Check(package, {args.begin() + (authored ? 3 : 2), split}, authored, package,
                            {split == args.end() ? split : split + 1, args.end()});
    });
  }
  if (args.size() == 4 && args[0] == "stamp") return msptool::Stamp(args[1], args[2], args[3]);
  if ((args.size() == 4 || args.size() == 5) && args[0] == "describe")
    return msptool::Guarded(args[1], [&] {
      return msptool::Describe(args[1], args[2], args[3], args.size() == 5 ? args[4] : "1");
    });
  if (args.size() == 3 && args[0] == "diff")
    return msptool::Guarded(args[1] + " or " + args[2],
                            [&] { return msptool::DiffDatabases(args[1], args[2]); });
  if (args.size() == 4 && args[0] == "transform")
    return msptool::Guarded(args[1] + " or " + args[2],
                            [&] { return msptool::MakeTransform(args[1], args[2], args[3]); });
  std::cerr << "usage: msp_tool create OUT.msp BASELINE UPGRADED [BASELINE UPGRADED]...\n"
               "                [--patch-code GUID] [--title TEXT] [--not-removable]\n"
               "       msp_tool author DEFINITION OUT.msp\n"
               "       msp_tool check [--authored] PACKAGE [DESCRIPTOR...] [--baselines MSI...]\n"
               "       msp_tool describe PACKAGE TEMPLATE OUT [N]\n"
               "       msp_tool stamp PACKAGE OUT VERSION-RULE\n"
               "       msp_tool diff BEFORE.msi AFTER.msi\n"
               "       msp_tool transform BEFORE.msi AFTER.msi OUT.mst\n";
  return 2;
}
