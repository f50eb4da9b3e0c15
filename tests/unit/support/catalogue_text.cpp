#include "support/catalogue_text.h"

#include <algorithm>

#include "platform/host/embedded_resources.h"

namespace testsupport {
namespace {

constexpr EnglishMessage kEnglish[] = {
    {300,
     "A problem prevented the Service Pack from being installed. Contact your system "
     "administrator. \n\n Error Code: %d"},
    {301, "The service pack was successfully installed and %s has been updated."},
    {306, "Your version of %s is up-to-date and this service pack is not necessary"},
    {307,
     "The service pack could not be installed because the expected Quillmark product could not "
     "be located on your computer.\nMake sure that you are using the correct service pack for "
     "the product."},
    {308,
     "This service pack could not be installed because it is not designed for the version of %s "
     "that is installed on your computer."},
    {309, "The command line that you supplied is incorrect. Please check it for errors."},
    {310,
     "You must supply a patch list with the command line to install this service pack "
     "installation."},
    {311, "Installation Error"},
    {312, "Installation Successful"},
    {313, "Installation Unnecessary"},
    {316,
     "Your computer must be restarted to finish installing the service pack. Save your work and "
     "close your programs first.\n\nDo you want to restart your computer now?"},
    {317, "Restart Required"},
};

}  // namespace

std::span<const EnglishMessage> EnglishMessages() { return kEnglish; }

std::string EnglishText(std::uint32_t id) {
  for (const auto& m : kEnglish)
    if (m.id == id) return m.text;
  return {};
}

std::string CatalogueEntry(std::uint16_t language, std::uint32_t id) {
  for (const auto& s : spinstall::platform::host::BuiltInStrings())
    if (s.language == language && s.id == id) return s.utf8;
  return {};
}

std::string FillPlaceholder(const std::string& tmpl, const std::string& argument) {
  const auto s = tmpl.find("%s");
  const auto d = tmpl.find("%d");
  const auto at = std::min(s, d);
  if (at == std::string::npos) return tmpl;
  return tmpl.substr(0, at) + argument + tmpl.substr(at + 2);
}

std::string CatalogueMessage(std::uint16_t language, std::uint32_t id,
                             const std::string& argument) {
  return FillPlaceholder(CatalogueEntry(language, id), argument);
}

}  // namespace testsupport
