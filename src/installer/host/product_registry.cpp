#include "installer/host/product_registry.h"

#include <charconv>
#include <sstream>

#include "platform/host/utf8.h"

namespace spinstall::installer::host {
namespace {

using platform::host::Narrow;
using platform::host::Widen;

std::string Trim(const std::string& s) {
  const auto first = s.find_first_not_of(" \t\r");
  if (first == std::string::npos) return {};
  return s.substr(first, s.find_last_not_of(" \t\r") - first + 1);
}

template <typename T>
bool ParseNumber(const std::string& text, T& value) {
  const auto* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  return ec == std::errc() && ptr == end;
}

}  // namespace

const std::wstring* RegisteredProduct::Property(const std::wstring& name) const {
  for (const auto& [key, value] : properties)
    if (key == name) return &value;
  return nullptr;
}

void RegisteredProduct::SetProperty(const std::wstring& name, const std::wstring& value) {
  for (auto& [key, old] : properties) {
    if (key == name) {
      old = value;
      return;
    }
  }
  properties.emplace_back(name, value);
}

bool ParseProductRegistry(const std::string& text, std::vector<RegisteredProduct>& products,
                          std::string& error) {
  std::vector<RegisteredProduct> parsed;
  std::istringstream lines(text);
  std::string raw;
  for (int number = 1; std::getline(lines, raw); ++number) {
    const std::string line = Trim(raw);
    const auto fail = [&](const std::string& why) {
      error = "line " + std::to_string(number) + ": " + why;
      return false;
    };
    if (line.empty() || line[0] == ';' || line[0] == '#') continue;
    if (line[0] == '[') {
      if (line.size() < 3 || line.back() != ']') return fail("a section needs [product code]");
      parsed.emplace_back();
      parsed.back().code = Widen(line.substr(1, line.size() - 2));
      continue;
    }
    const auto eq = line.find('=');
    if (eq == std::string::npos || eq == 0) return fail("expected Key=Value");
    if (parsed.empty()) return fail("a value before the first [product code] section");
    const std::string key = Trim(line.substr(0, eq));
    const std::string value = Trim(line.substr(eq + 1));
    RegisteredProduct& product = parsed.back();
    if (key == "State") {
      if (!ParseNumber(value, product.state)) return fail("State is not a number");
    } else if (key == "ConfigureResult") {
      if (!ParseNumber(value, product.configureResult))
        return fail("ConfigureResult is not a number");
    } else if (key == "ConfigureBusy") {
      if (!ParseNumber(value, product.configureBusy)) return fail("ConfigureBusy is not a number");
    } else {
      product.SetProperty(Widen(key), Widen(value));
    }
  }
  products = std::move(parsed);
  return true;
}

std::string FormatProductRegistry(const std::vector<RegisteredProduct>& products) {
  std::string out;
  for (const auto& product : products) {
    if (!out.empty()) out += "\n";
    out += "[" + Narrow(product.code) + "]\n";
    out += "State=" + std::to_string(product.state) + "\n";
    for (const auto& [key, value] : product.properties)
      out += Narrow(key) + "=" + Narrow(value) + "\n";
    out += "ConfigureResult=" + std::to_string(product.configureResult) + "\n";
    // Written while some busy answers are left.
    if (product.configureBusy > 0)
      out += "ConfigureBusy=" + std::to_string(product.configureBusy) + "\n";
  }
  return out;
}

}  // namespace spinstall::installer::host
