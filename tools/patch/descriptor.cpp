#include "patch/descriptor.h"

#include <cstdlib>
#include <sstream>
#include <utility>

#include "base/error.h"
#include "checks/conventions.h"

namespace msptool {

bool FillDescriptor(std::string text, const PackageSummary& summary, std::uint64_t size,
                    const std::string& target, std::string& out, std::string& error) {
  const auto targets = Split(summary.targets, ';');
  const std::size_t n = std::strtoul(target.c_str(), nullptr, 10);
  if (n == 0 || n > targets.size() || target != std::to_string(n))
    return Refuse(error, "no target product number " + Quoted(target) + " among " +
                             std::to_string(targets.size()));
  const std::pair<std::string, std::string> fills[] = {
      {"@PATCH_SIZE@", std::to_string(size)},
      {"@CANDIDATES@", CandidateText(summary.keywords)},
      {"@PRODUCT_CODE@", targets[n - 1]},
      {"@PATCH_CODE@", summary.revision.substr(0, 38)},
      {"@TITLE@", summary.title.empty() ? summary.subject : summary.title},
      {"@KEYWORDS@", summary.keywords},
      {"@TARGETS@", summary.targets}};
  // A value is not searched again: a package's text may hold a marker.
  for (const auto& [marker, value] : fills) {
    for (auto at = text.find(marker); at != std::string::npos;
         at = text.find(marker, at + value.size()))
      text.replace(at, marker.size(), value);
  }
  out.clear();
  std::istringstream lines(text);
  for (std::string line; std::getline(lines, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out += line + "\r\n";
  }
  return true;
}

}  // namespace msptool
