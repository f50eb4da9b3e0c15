#include "support/limited_run.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include "support/temp_dir.h"

namespace toolstest {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kAddressSanitizer = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kAddressSanitizer = true;
#else
constexpr bool kAddressSanitizer = false;
#endif
#else
constexpr bool kAddressSanitizer = false;
#endif

}  // namespace

LimitedRun RunMspToolLimited(const std::vector<std::string>& args) {
  testsupport::TempDir dir;
  const std::string errorFile = dir / "stderr";
  std::vector<std::string> argv{SPINSTALL_MSP_TOOL};
  argv.insert(argv.end(), args.begin(), args.end());
  std::vector<char*> pointers;
  for (auto& a : argv) pointers.push_back(a.data());
  pointers.push_back(nullptr);
  LimitedRun run;
  const pid_t child = ::fork();
  if (child == 0) {
    const int err = ::open(errorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
    const int null = ::open("/dev/null", O_WRONLY);
    if (err < 0 || null < 0 || ::dup2(err, 2) < 0 || ::dup2(null, 1) < 0) ::_exit(125);
    const rlimit cpu{static_cast<rlim_t>(kMostSeconds), static_cast<rlim_t>(kMostSeconds)};
    const rlimit space{kMostBytes, kMostBytes};
    if (::setrlimit(RLIMIT_CPU, &cpu) != 0 ||
        (!kAddressSanitizer && ::setrlimit(RLIMIT_AS, &space) != 0))
      ::_exit(125);
    ::execv(pointers[0], pointers.data());
    ::_exit(127);
  }
  int status = 0;
  rusage usage{};
  if (child < 0 || ::wait4(child, &status, 0, &usage) != child) return run;
  // wait4's usage is the child's with its own reaped children's (the
  // guarded child): the largest peak of them, the sum of their times.
  run.peakBytes = static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;
  run.seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  if (WIFEXITED(status)) run.exitStatus = WEXITSTATUS(status);
  if (WIFSIGNALED(status)) run.signal = WTERMSIG(status);
  run.standardError = testsupport::ReadFileBytes(errorFile);
  return run;
}

}  // namespace toolstest
