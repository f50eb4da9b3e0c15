#include "msi/diff_text.h"

namespace msptool::msi {
namespace {

std::string Values(const TableDiff& t, const Row& row) {
  std::string text;
  for (std::size_t i = 0; i < t.columns.size() && i < row.size(); ++i) {
    if (t.columns[i].IsKey()) continue;
    text += (text.empty() ? "" : ", ") + t.columns[i].name + "=" + Printed(row[i]);
  }
  return text;
}

}  // namespace

std::string DiffText(const DatabaseDiff& diff) {
  std::string out;
  if (diff.beforeCodePage != diff.afterCodePage)
    out += "code page " + std::to_string(diff.beforeCodePage) + " -> " +
           std::to_string(diff.afterCodePage) + "\n";
  for (const auto& t : diff.tables) {
    const Table layout{t.name, t.columns, {}};
    out += "table " + t.name + ": ";
    if (t.removed) {
      out += "removed\n";
      continue;
    }
    if (t.added)
      out += "added, " + std::to_string(t.columns.size()) + " columns, " +
             std::to_string(t.inserted.size()) + " rows\n";
    else
      out += std::to_string(t.inserted.size()) + " inserted, " + std::to_string(t.deleted.size()) +
             " deleted, " + std::to_string(t.updated.size()) + " changed\n";
    for (const auto& row : t.inserted)
      out += "  + [" + KeyLabel(layout, row) + "] " + Values(t, row) + "\n";
    for (const auto& row : t.deleted) out += "  - [" + KeyLabel(layout, row) + "]\n";
    for (const auto& u : t.updated) {
      out += "  ~ [" + KeyLabel(layout, u.after) + "]";
      for (const std::size_t i : u.changed)
        out += " " + t.columns[i].name + " " +
               (u.before.size() > i ? Printed(u.before[i]) + " -> " : "") + Printed(u.after[i]);
      out += "\n";
    }
  }
  for (const auto& stream : diff.otherStreams)
    out += "stream " + stream + ": added, removed or changed (no transform carries it)\n";
  return out.empty() ? "no difference\n" : out;
}

}  // namespace msptool::msi
