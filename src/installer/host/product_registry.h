// The host stand-in's installed products: a plain-text file of INI-style
// sections, one per product code, named by SPINSTALL_PRODUCTS.
//
//   [{D2B5E2A0-6F4C-4B1E-9C3A-1F2E3D4C5B6A}]
//   State=5
//   ProductName=Sample Writer
//   Language=1031
//   VersionString=16.1.63.10
//   ConfigureResult=0
//   ConfigureBusy=2
//
// State defaults to 5, ConfigureResult and ConfigureBusy to 0: the next
// ConfigureBusy configure calls answer 1618 (another installation in
// progress), each counting it down, before ConfigureResult is answered.
// Every other key is a product property. Blank lines and lines starting with
// ';' or '#' are skipped.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace spinstall::installer::host {

struct RegisteredProduct {
  std::wstring code;
  std::int32_t state = 5;
  std::uint32_t configureResult = 0;
  std::uint32_t configureBusy = 0;
  std::vector<std::pair<std::wstring, std::wstring>> properties;  // in file order

  const std::wstring* Property(const std::wstring& name) const;
  void SetProperty(const std::wstring& name, const std::wstring& value);
};

// Parses the file's text (UTF-8). On a malformed line returns false and says
// which in `error` ("line N: ...").
bool ParseProductRegistry(const std::string& text, std::vector<RegisteredProduct>& products,
                          std::string& error);

std::string FormatProductRegistry(const std::vector<RegisteredProduct>& products);

}  // namespace spinstall::installer::host
