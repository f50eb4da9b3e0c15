// The readable definition of a patch package: "key = value" lines.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace msptool {

struct Definition {
  std::vector<std::pair<std::string, std::string>> entries;  // in file order

  // Every value of a key, in file order.
  std::vector<std::string> All(const std::string& key) const;
  // The value of a key that must occur once; empty when absent.
  std::string One(const std::string& key) const;
  int Count(const std::string& key) const;
};

// Parses the text of a definition file. Blank lines and lines whose first
// non-blank character is '#' are skipped; every other line needs a '='.
// Keys and values are trimmed of surrounding blanks. On a malformed line,
// returns false and names the line in `error`.
bool ParseDefinition(const std::string& text, Definition& out, std::string& error);

}  // namespace msptool
