// Expected bytes written as a list of numbers.
#pragma once

#include <initializer_list>
#include <string>

namespace msptool {

inline std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (int v : values) out.push_back(static_cast<char>(v));
  return out;
}

}  // namespace msptool
