// The host build's entry point.
#include <fcntl.h>
#include <unistd.h>

#include <csignal>

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

}  // namespace

int main(int argc, char** argv) {
  OpenStandardDescriptors();
  // A box that cannot be written is lost; the run goes on.
  std::signal(SIGPIPE, SIG_IGN);
  std::vector<std::wstring> args;
  for (int i = 0; i < argc; ++i) args.push_back(spinstall::platform::host::Widen(argv[i]));
  spinstall::platform::host::SetArguments(std::move(args));
  return spinstall::launcher::RunProgram();
}
