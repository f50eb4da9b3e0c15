// An installer service for the fuzz targets: every package opens, every
// summary property is the fuzz text, and a product counts as installed when
// its code has an even length.
#pragma once

#include <algorithm>
#include <string>

#include "installer/installer_service.h"
#include "installer/text_answer.h"

namespace fuzzing {

class FuzzService : public spinstall::installer::Service {
 public:
  std::wstring value;
  int open = 0;

  std::uint32_t GetSummaryInformation(spinstall::installer::Handle, const std::wstring&,
                                      std::uint32_t, spinstall::installer::Handle& h) override {
    ++open;
    h = 1;
    return 0;
  }
  std::uint32_t SummaryInfoGetProperty(spinstall::installer::Handle, std::uint32_t, std::uint32_t&,
                                       std::int32_t&, spinstall::installer::FileTime&,
                                       wchar_t* buffer, std::uint32_t& count) override {
    return spinstall::installer::AnswerText(value, buffer, count);
  }
  std::uint32_t CloseHandle(spinstall::installer::Handle) override {
    --open;
    return 0;
  }
  std::int32_t QueryProductState(const std::wstring& code) override {
    return code.size() % 2 ? -1 : 5;
  }
  std::uint32_t GetProductInfo(const std::wstring& code, const std::wstring&, wchar_t* buffer,
                               std::uint32_t& count) override {
    return spinstall::installer::AnswerText(code, buffer, count);
  }
  std::uint32_t ConfigureProductEx(const std::wstring&, int, std::int32_t,
                                   const std::wstring&) override {
    return 0;
  }
  std::uint32_t EnableLog(std::uint32_t, const std::wstring&, std::uint32_t) override { return 0; }
  std::uint32_t SetInternalUI(std::uint32_t) override { return 0; }
};

}  // namespace fuzzing
