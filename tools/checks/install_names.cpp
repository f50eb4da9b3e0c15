#include "checks/install_names.h"

#include "base/text.h"
#include "msi/standard_tables.h"
#include "msi/transform_reader.h"

namespace msptool {
namespace {

// Filename (Windows Installer documentation, "Filename"): short and long
// names, separated by '|', must not contain \ / ? | > < : * or '"', and "no
// full-path syntax is allowed". A name of dots alone ("..") climbs out of
// the folder on Windows, and a control character is no name either.
std::string NameProblem(const std::string& name, bool dotAllowed) {
  if (name.empty()) return "is empty";
  for (const char c : name) {
    if (static_cast<unsigned char>(c) < 0x20) return "has the control character " + Hex(c, 2);
    if (std::string("\\/?|><:*\"").find(c) != std::string::npos)
      return "has the reserved character '" + std::string(1, c) + "'";
  }
  if (name.find_first_not_of('.') == std::string::npos && !(dotAllowed && name == "."))
    return "is " + Quoted(name) + ", no name";
  return {};
}

// "short" or "short|long".
std::string FilenameParts(const std::string& value, bool dotAllowed) {
  const auto bar = value.find('|');
  if (bar == std::string::npos) return NameProblem(value, dotAllowed);
  for (const std::string& part : {value.substr(0, bar), value.substr(bar + 1)})
    if (std::string why = NameProblem(part, dotAllowed); !why.empty())
      return "has a part " + Quoted(part) + " that " + why;
  return {};
}

void CheckRows(const msi::Table& table, const std::vector<msi::Row>& rows,
               std::vector<std::string>& problems) {
  const bool file = table.name == "File";
  const char* column = file ? "FileName" : "DefaultDir";
  for (const auto& row : rows) {
    const msi::Value& name = msi::Cell(table, row, column);
    // A changed row of a transform may leave the name as it was.
    if (name.kind != msi::Value::Kind::String) continue;
    const std::string why = file ? FilenameProblem(name.text) : DefaultDirProblem(name.text);
    if (!why.empty())
      problems.push_back("table " + table.name + ", row " + Quoted(msi::KeyLabel(table, row)) +
                         ": " + column + " " + Quoted(name.text) + " " + why);
  }
}

bool Named(const std::string& table) { return table == "File" || table == "Directory"; }

}  // namespace

std::string FilenameProblem(const std::string& value) { return FilenameParts(value, false); }

// DefaultDir (Windows Installer documentation, "DefaultDir"): a Filename, or
// a "target:source" pair of them, where "." is allowed as a name (the parent
// itself). A root directory's is an identifier, which has none of the
// characters refused here either.
std::string DefaultDirProblem(const std::string& value) {
  const auto colon = value.find(':');
  if (colon == std::string::npos) return FilenameParts(value, true);
  for (const std::string& part : {value.substr(0, colon), value.substr(colon + 1)})
    if (std::string why = FilenameParts(part, true); !why.empty())
      return "has a part " + Quoted(part) + " that " + why;
  return {};
}

std::vector<std::string> InstallNameProblems(const msi::Database& db) {
  std::vector<std::string> problems;
  for (const auto& table : db.tables)
    if (Named(table.name)) CheckRows(table, table.rows, problems);
  return problems;
}

std::vector<std::string> InstallNameProblems(const msi::DatabaseDiff& diff) {
  std::vector<std::string> problems;
  for (const auto& change : diff.tables) {
    if (!Named(change.name)) continue;
    const msi::Table table{change.name, change.columns, {}};
    std::vector<msi::Row> rows = change.inserted;
    for (const auto& u : change.updated) rows.push_back(u.after);
    CheckRows(table, rows, problems);
  }
  return problems;
}

std::vector<std::string> PatchNameProblems(const CompoundEntry& root,
                                           const std::string& transforms) {
  // The layouts a transform that brings none of its own is read with.
  const msi::Database layouts{0, {kFileTable, kDirectoryTable}, {}};
  std::vector<std::string> problems;
  for (const auto& item : Split(transforms, ';')) {
    const std::string name = item.substr(item.empty() ? 0 : 1);
    const CompoundEntry* storage = Child(root, name);
    if (!storage || !storage->isStorage) continue;  // the patch shape's to report
    msi::DatabaseDiff diff;
    std::vector<std::string> unknown;
    std::string error;
    if (!msi::ReadTransform(*storage, layouts, diff, unknown, error)) {
      problems.push_back("transform " + Quoted(name) + " cannot be read: " + error);
      continue;
    }
    for (const auto& p : InstallNameProblems(diff))
      problems.push_back("transform " + Quoted(name) + ": " + p);
  }
  return problems;
}

}  // namespace msptool
