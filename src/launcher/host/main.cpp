// The host build's entry point.
#include <fcntl.h>
#include <unistd.h>

#include <csignal>
#include <cstdint>

#include "launcher/entry.h"
#include "platform/host/host_state.h"
#include "platform/host/utf8.h"

namespace {

// A closed standard descriptor would be taken by the next file opened (the
// patch list as stderr would receive the boxes): each gets /dev/null.
void OpenStandardDescriptors() {
  for (int fd = 0; fd <= 2; ++fd) {
    if (::fcntl(fd, F_GETFD) >= 0) continue;
    const int null = ::open("/dev/null", O_RDWR);
    if (null >= 0 && null != fd) ::close(null);
  }
}

// A Linux exit status keeps only the code's low 8 bits (3010 exits 194, 1642
// exits 106): a code whose low 8 bits are 0 (1536, 2560) exits 255, so that a
// failure never reads as success.
int ExitStatus(std::uint32_t code) {
  const int low = static_cast<int>(code & 0xFF);
  return code != 0 && low == 0 ? 255 : low;
}

}  // namespace

int main(int argc, char** argv) {
  OpenStandardDescriptors();
  // A box that cannot be written is lost; the run goes on.
  std::signal(SIGPIPE, SIG_IGN);
  std::vector<std::wstring> args;
  for (int i = 0; i < argc; ++i) args.push_back(spinstall::platform::host::Widen(argv[i]));
  spinstall::platform::host::SetArguments(std::move(args));
  return ExitStatus(spinstall::launcher::RunProgram());
}
