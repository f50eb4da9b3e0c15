// msp_tool run on a hostile input under the bounds it must keep: at most
// 2 GiB of address space (not under AddressSanitizer, whose shadow memory
// takes more) and 60 s of processor time, its peak memory and time measured.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace toolstest {

struct LimitedRun {
  int exitStatus = -1;  // -1 when a signal ended it
  int signal = 0;
  std::string standardError;
  std::uint64_t peakBytes = 0;  // resident, of msp_tool and its guarded child
  double seconds = 0;           // processor time, user and system
};

inline constexpr std::uint64_t kMostBytes = std::uint64_t{2} << 30;
inline constexpr double kMostSeconds = 60;

LimitedRun RunMspToolLimited(const std::vector<std::string>& args);

}  // namespace toolstest
