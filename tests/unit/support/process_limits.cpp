#include "support/process_limits.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <stdexcept>

namespace testsupport {

CurrentDirectory::CurrentDirectory(const std::string& path)
    : previous_(std::filesystem::current_path().string()) {
  if (::chdir(path.c_str()) != 0) throw std::runtime_error("chdir " + path);
}

CurrentDirectory::~CurrentDirectory() {
  if (::chdir(previous_.c_str()) != 0) std::abort();
}

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
  struct sigaction ignore {};
  ignore.sa_handler = SIG_IGN;
  ::sigaction(SIGXFSZ, &ignore, &previousAction_);
  ::getrlimit(RLIMIT_FSIZE, &previous_);
  rlimit lowered = previous_;
  lowered.rlim_cur = bytes;
  if (::setrlimit(RLIMIT_FSIZE, &lowered) != 0) throw std::runtime_error("setrlimit");
}

FileSizeLimit::~FileSizeLimit() {
  ::setrlimit(RLIMIT_FSIZE, &previous_);
  ::sigaction(SIGXFSZ, &previousAction_, nullptr);
}

}  // namespace testsupport
