// Sets or unsets environment variables for one test and restores them after.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace testsupport {

class EnvGuard {
 public:
  EnvGuard() = default;
  EnvGuard(const EnvGuard&) = delete;
  EnvGuard& operator=(const EnvGuard&) = delete;
  ~EnvGuard();

  void Set(const std::string& name, const std::string& value);
  void Unset(const std::string& name);

 private:
  void Remember(const std::string& name);
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

}  // namespace testsupport
