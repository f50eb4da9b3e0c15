#include "patch/definition.h"

#include <sstream>

namespace msptool {
namespace {

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  const auto last = s.find_last_not_of(" \t\r");
  return s.substr(first, last - first + 1);
}

}  // namespace

std::vector<std::string> Definition::All(const std::string& key) const {
  std::vector<std::string> values;
  for (const auto& [k, v] : entries)
    if (k == key) values.push_back(v);
  return values;
}

std::string Definition::One(const std::string& key) const {
  for (const auto& [k, v] : entries)
    if (k == key) return v;
  return {};
}

int Definition::Count(const std::string& key) const {
  int n = 0;
  for (const auto& entry : entries)
    if (entry.first == key) ++n;
  return n;
}

bool ParseDefinition(const std::string& text, Definition& out, std::string& error) {
  std::istringstream lines(text);
  std::string line;
  int number = 0;
  while (std::getline(lines, line)) {
    ++number;
    const std::string trimmed = Trim(line);
    if (trimmed.empty() || trimmed[0] == '#') continue;
    const auto eq = trimmed.find('=');
    if (eq == std::string::npos || eq == 0) {
      error =
          "line " + std::to_string(number) + ": expected \"key = value\", got \"" + trimmed + "\"";
      return false;
    }
    out.entries.emplace_back(Trim(trimmed.substr(0, eq)), Trim(trimmed.substr(eq + 1)));
  }
  return true;
}

}  // namespace msptool
