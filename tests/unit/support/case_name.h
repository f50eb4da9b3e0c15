// Names for parameterised cases: the case's printed value (its PrintTo), with
// every character but letters and digits made '_' and cut to 40, then its
// index, which keeps the names unique. Pass testsupport::CaseName as the name
// generator of every INSTANTIATE_TEST_SUITE_P.
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

namespace testsupport {

std::string SanitizedCaseName(const std::string& printed, std::size_t index);

struct CaseName {
  template <typename Param>
  std::string operator()(const testing::TestParamInfo<Param>& info) const {
    return SanitizedCaseName(testing::PrintToString(info.param), info.index);
  }
};

}  // namespace testsupport
