// The commands of msp_tool. What the program relies on (properties 5, 7, 8
// and 9, the descriptors) is checked strictly for every package. The Windows
// patch shape is required of packages msp_tool authored (--authored); for a
// package made by another tool a difference is a warning, as that tool may
// shape its patches otherwise.
//
// The commands that read a package run in a child process (crash_guard.h)
// with a time limit; a command that writes writes into a folder of its own
// (output_folder.h), and its file is put in place only when the command
// succeeds: stamp's copy only when it passes the check.
#include "cli/commands.h"

#include <cstdio>
#include <cstring>
#include <fstream>
#include <functional>
#include <iostream>
#include <set>

#include "base/file_bytes.h"
#include "base/output_folder.h"
#include "checks/conventions.h"
#include "checks/file_rules.h"
#include "checks/install_names.h"
#include "checks/patch_shape.h"
#include "cli/crash_guard.h"
#include "compound/reader.h"
#include "msi/database_reader.h"
#include "msi/diff_text.h"
#include "msi/standard_tables.h"
#include "msi/transform_writer.h"
#include "patch/definition.h"
#include "patch/delta_verification.h"
#include "patch/descriptor.h"
#include "patch/inputs.h"
#include "summary/package_summary.h"
#include "summary/stamp.h"
#include "summary/summary_stream.h"

namespace msptool {
namespace {

int Fail(const std::string& message) {
  std::cerr << "msp_tool: error: " << message << "\n";
  return 1;
}

// Runs `command`, which reads the outside package(s) `packages`, in a child
// process ended after `seconds`: a reader's crash or a package that reads too
// long ends in a message naming the package(s), and exit status 1.
int Guarded(const std::string& packages, unsigned seconds, const std::function<int()>& command) {
  const ChildEnd end = RunInChild(command, seconds);
  if (!end.started) return Fail("cannot start a process to read " + packages);
  if (end.timedOut)
    return Fail(packages + ": reading it took longer than the time limit of " +
                std::to_string(seconds) + " seconds (--time-limit)");
  if (end.signal != 0)
    return Fail(packages + " is not an installer package: reading it crashed (" +
                strsignal(end.signal) + ")");
  return end.status;
}

// Guarded(), `write` given the file in a new folder beside `outPath` to
// write; that file becomes `outPath` when the command succeeds.
int GuardedWrite(const std::string& packages, const std::string& outPath, unsigned seconds,
                 const std::function<int(const std::string& file)>& write) {
  OutputFolder folder(outPath);
  if (!folder.Created()) return Fail("cannot create a folder beside " + outPath);
  const int status = Guarded(packages, seconds, [&] { return write(folder.File()); });
  if (status == 0 && !folder.PutInPlace()) return Fail("cannot write " + outPath);
  return status;
}

int Author(const std::string& definitionPath, const std::string& outPath, unsigned seconds) {
  std::string text, error;
  if (!ReadFileBytes(definitionPath, text)) return Fail("cannot read " + definitionPath);
  Definition def;
  std::vector<PackagePair> pairs;
  if (!ParseDefinition(text, def, error)) return Fail(definitionPath + ": " + error);
  for (const auto& [key, value] : def.entries) {
    static const std::set<std::string> known = {
        "patch-code",   "title",    "subject",  "author",  "comments",       "url",
        "version-rule", "packages", "baseline", "upgrade", "classification", "target",
        "removable"};
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
  if (def.Count("removable")) {
    if (def.One("removable") != "yes" && def.One("removable") != "no")
      return Fail(definitionPath + ": removable " + Quoted(def.One("removable")) +
                  " is neither \"yes\" nor \"no\"");
    options.removable = def.One("removable") == "yes";
  }
  if (!options.patchCode.empty() && !IsRegistryCode(options.patchCode))
    return Fail(definitionPath + ": patch-code " + Quoted(options.patchCode) +
                " is not in registry form");
  return GuardedWrite("the packages of " + definitionPath, outPath, seconds,
                      [&](const std::string& file) {
                        std::string error;
                        if (!CreatePatch(pairs, options, file, error))
                          return Fail(definitionPath + ": " + error);
                        return 0;
                      });
}

int Create(const CommandLine& line) {
  PatchOptions options;
  options.patchCode = line.Value("--patch-code");
  options.title = line.Value("--title");
  options.removable = !line.Has("--not-removable");
  if (line.Has("--delta")) options.delta = DeltaPolicy::kVersioned;
  if (line.Has("--delta=all")) options.delta = DeltaPolicy::kAll;
  const std::vector<std::string>& packages = line.inputs;
  if (!options.patchCode.empty() && !IsRegistryCode(options.patchCode))
    return Fail("patch code " + Quoted(options.patchCode) + " is not in registry form");
  std::vector<PackagePair> pairs;
  std::string names;
  for (std::size_t i = 1; i < packages.size(); i += 2) {
    pairs.emplace_back(packages[i], packages[i + 1]);
    names += (names.empty() ? "" : ", ") + packages[i] + ", " + packages[i + 1];
  }
  return GuardedWrite(
      names, packages[0], line.TimeLimit(kDefaultTimeLimit), [&](const std::string& file) {
        std::string error;
        std::vector<CarriedForm> forms;
        if (!CreatePatch(pairs, options, file, error, &forms)) return Fail(error);
        // What became of each file, for the release engineer
        // to see what ships.
        for (const auto& f : forms) {
          if (f.delta)
            std::cout << packages[0] << ": delta " << f.key << ": " << f.carriedSize << " of "
                      << f.wholeSize << " bytes, from " << f.oldFiles << " baseline version"
                      << (f.oldFiles == 1 ? "" : "s") << "\n";
          else
            std::cout << packages[0] << ": whole " << f.key << ": " << f.wholeSize << " bytes, "
                      << f.reason << "\n";
        }
        return 0;
      });
}

// The patch applied to the products `baselinePaths` hold as Windows applies
// it, then Windows' file rules: which transforms apply and why others are
// skipped, then one line per target and file, on standard output; skipped
// patch transforms, failed transforms, kept files and undocumented bits are
// errors for an authored package, warnings for another.
bool CheckAgainstBaselines(const std::string& packagePath, const std::string& transforms,
                           const std::vector<std::string>& baselinePaths, bool authored,
                           std::vector<std::string>& warnings, std::string& error) {
  std::vector<msi::Database> baselines(baselinePaths.size());
  for (std::size_t i = 0; i < baselinePaths.size(); ++i) {
    if (!msi::ReadDatabase(baselinePaths[i], baselines[i], error)) return false;
    if (!HasColumnsRead(baselines[i], error)) {
      error = baselinePaths[i] + ": " + error;
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
  FileRuleReport report = CheckFileRules(root, transforms, baselines);
  // The deltas are proven on the bytes: each baseline's file through its delta.
  for (std::size_t i = 0; i < report.patched.size() && i < baselines.size(); ++i) {
    const DeltaProof proof =
        VerifyDeltas(packagePath, baselinePaths[i], baselines[i], report.patched[i]);
    report.lines.insert(report.lines.end(), proof.lines.begin(), proof.lines.end());
    report.problems.insert(report.problems.end(), proof.problems.begin(), proof.problems.end());
  }
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
  if (!CheckTargetList(summary.targets, error) ||
      !CheckVersionRule(summary.keywords, warnings, error) ||
      !CheckTransformList(summary.transforms, error) || !CheckPatchCode(summary.revision, error))
    return Fail(packagePath + ": " + error);
  CompoundEntry root;
  if (!ReadCompound(path, root, error, false)) return Fail(packagePath + " " + error);
  // A name that would install outside the product's folder is refused, whoever
  // made the package.
  if (const auto names = PatchNameProblems(root, summary.transforms); !names.empty())
    return Fail(packagePath + ": " + names[0]);
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
    if (!CheckDescriptor(text, described, error)) return Fail(descriptor + ": " + error);
  }
  std::cout << packagePath << ": " << shape.report << "\n";
  return 0;
}

int Stamp(const std::string& packagePath, const std::string& outPath, const std::string& rule,
          unsigned seconds) {
  std::vector<std::string> warnings;
  std::string problem;
  if (!CheckVersionRule(rule, warnings, problem)) return Fail(problem);
  return GuardedWrite(packagePath, outPath, seconds, [&](const std::string& copy) {
    std::string error;
    if (!StampPackage(packagePath, copy, rule, error)) return Fail(error);
    // The copy must be one the build carries; the check reports the rule's
    // warnings with the rest.
    return Check(outPath, {}, false, copy);
  });
}

// Writes the descriptor named `outPath` to `outFile`.
int Describe(const std::string& packagePath, const std::string& templatePath,
             const std::string& outPath, const std::string& outFile,
             const std::string& targetNumber) {
  std::string text, error, out;
  std::uint64_t size = 0;
  if (!ReadableFileSize(packagePath, size)) return Fail("cannot read " + packagePath);
  if (!ReadFileBytes(templatePath, text)) return Fail("cannot read " + templatePath);
  PackageSummary summary;
  if (!ReadPackageSummary(packagePath, summary, error)) return Fail(packagePath + " " + error);
  if (!FillDescriptor(text, summary, size, targetNumber, out, error))
    return Fail(packagePath + ": " + error);
  std::ofstream file(outFile, std::ios::binary | std::ios::trunc);
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

int RunCommand(const CommandLine& line) {
  const auto& in = line.inputs;
  const unsigned seconds = line.TimeLimit(kDefaultTimeLimit);
  switch (line.command) {
    case Command::Author:
      return Author(in[0], in[1], seconds);
    case Command::Create:
      return Create(line);
    case Command::Check:
      return Guarded(in[0], seconds, [&] {
        return Check(in[0], {in.begin() + 1, in.end()}, line.Has("--authored"), in[0], line.rest);
      });
    case Command::Stamp:
      return Stamp(in[0], in[1], in[2], seconds);
    case Command::Describe:
      return GuardedWrite(in[0], in[2], seconds, [&](const std::string& file) {
        return Describe(in[0], in[1], in[2], file, in.size() == 4 ? in[3] : "1");
      });
    case Command::Diff:
      return Guarded(in[0] + " or " + in[1], seconds, [&] { return DiffDatabases(in[0], in[1]); });
    case Command::Transform:
      return GuardedWrite(in[0] + " or " + in[1], in[2], seconds, [&](const std::string& file) {
        return MakeTransform(in[0], in[1], file);
      });
  }
  return 1;
}

}  // namespace msptool
