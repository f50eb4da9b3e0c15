#include "support/case_name.h"

namespace testsupport {

std::string SanitizedCaseName(const std::string& printed, std::size_t index) {
  std::string name;
  for (char c : printed.substr(0, 40)) {
    const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (alnum)
      name += c;
    else if (!name.empty() && name.back() != '_')
      name += '_';
  }
  if (!name.empty() && name.back() != '_') name += '_';
  return name + std::to_string(index);
}

}  // namespace testsupport
