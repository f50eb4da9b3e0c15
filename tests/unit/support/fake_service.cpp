#include "support/fake_service.h"

#include <algorithm>

#include "installer/text_answer.h"
#include "platform/error_codes.h"

namespace testsupport {

void FakeService::AddTargetProduct(const std::wstring& code, const std::wstring& name,
                                   const std::wstring& language, const std::wstring& version,
                                   std::uint32_t configureResult, std::int32_t state) {
  std::wstring& targets = properties[7];
  targets += (targets.empty() ? L"" : L";") + code;
  Product& product = products[code];
  product.state = state;
  product.info = {{L"ProductName", name}, {L"Language", language}, {L"VersionString", version}};
  product.configureResult = configureResult;
}

std::uint32_t FakeService::GetSummaryInformation(spinstall::installer::Handle,
                                                 const std::wstring& path, std::uint32_t,
                                                 spinstall::installer::Handle& summary) {
  openedPaths.push_back(path);
  if (std::find(unopenable.begin(), unopenable.end(), path) != unopenable.end()) return openFailure;
  ++opens;
  summary = next_++;
  live_[summary] = true;
  return 0;
}

std::uint32_t FakeService::SummaryInfoGetProperty(spinstall::installer::Handle summary,
                                                  std::uint32_t property, std::uint32_t& dataType,
                                                  std::int32_t&, spinstall::installer::FileTime&,
                                                  wchar_t* buffer, std::uint32_t& count) {
  ++propertyCalls;
  propertyBufferSizes.push_back(count);
  if (!live_.count(summary)) return spinstall::platform::kErrorInvalidHandle;
  if (const auto failure = propertyFailures.find(property); failure != propertyFailures.end())
    return failure->second;
  if (!forcedPropertyResults.empty()) {
    const std::uint32_t result = forcedPropertyResults.front();
    forcedPropertyResults.erase(forcedPropertyResults.begin());
    if (result == spinstall::platform::kErrorMoreData) count = forcedNeededLength;
    return result;
  }
  dataType = 30;
  const auto found = properties.find(property);
  return spinstall::installer::AnswerText(found == properties.end() ? L"" : found->second, buffer,
                                          count);
}

std::uint32_t FakeService::CloseHandle(spinstall::installer::Handle handle) {
  if (!live_.erase(handle)) return spinstall::platform::kErrorInvalidHandle;
  ++closes;
  return 0;
}

std::int32_t FakeService::QueryProductState(const std::wstring& productCode) {
  stateQueries.push_back(productCode);
  const auto found = products.find(productCode);
  return found == products.end() ? -1 : found->second.state;
}

std::uint32_t FakeService::GetProductInfo(const std::wstring& productCode,
                                          const std::wstring& property, wchar_t* buffer,
                                          std::uint32_t& count) {
  infoQueries.emplace_back(productCode, property);
  const auto product = products.find(productCode);
  if (product == products.end()) return spinstall::platform::kErrorUnknownProduct;
  const auto value = product->second.info.find(property);
  if (value == product->second.info.end()) return spinstall::platform::kErrorUnknownProperty;
  return spinstall::installer::AnswerText(value->second, buffer, count);
}

std::uint32_t FakeService::ConfigureProductEx(const std::wstring& productCode, int installLevel,
                                              std::int32_t installState,
                                              const std::wstring& commandLine) {
  configureCalls.push_back({productCode, installLevel, installState, commandLine});
  const auto product = products.find(productCode);
  return product == products.end() ? spinstall::platform::kErrorUnknownProduct
                                   : product->second.configureResult;
}

std::uint32_t FakeService::EnableLog(std::uint32_t, const std::wstring& path, std::uint32_t) {
  settings.push_back({configureCalls.size(), path, 0});
  return 0;
}

std::uint32_t FakeService::SetInternalUI(std::uint32_t level) {
  settings.push_back({configureCalls.size(), L"", level});
  return 1;
}

ServiceGuard::ServiceGuard(spinstall::installer::Service& service) {
  spinstall::installer::SetActiveService(&service);
}

ServiceGuard::~ServiceGuard() { spinstall::installer::SetActiveService(nullptr); }

}  // namespace testsupport
