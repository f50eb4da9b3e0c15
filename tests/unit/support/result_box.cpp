#include "support/result_box.h"

#include "support/catalogue_text.h"

namespace testsupport {

Box ResultBox(std::uint16_t language, std::uint32_t id, const std::string& argument) {
  const std::uint32_t caption = id == 301 ? 312 : id == 306 ? 313 : 311;
  return Box{CatalogueEntry(language, caption), id == 301 ? "information" : "error",
             CatalogueMessage(language, id, argument)};
}

bool IsFailureBox(const Box& box, std::uint16_t language) {
  const Box expected = ResultBox(language, 300);
  const std::string tmpl = CatalogueEntry(language, 300);
  const auto at = tmpl.find("%d");
  const std::string before = tmpl.substr(0, at);
  const std::string after = tmpl.substr(at + 2);
  if (box.caption != expected.caption || box.icon != expected.icon ||
      box.text.size() <= before.size() + after.size() || box.text.rfind(before, 0) != 0 ||
      box.text.compare(box.text.size() - after.size(), after.size(), after) != 0)
    return false;
  const std::string code =
      box.text.substr(before.size(), box.text.size() - before.size() - after.size());
  return code.find_first_not_of("-0123456789") == std::string::npos;
}

}  // namespace testsupport
