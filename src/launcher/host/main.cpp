// The host build's entry point.

#include "launcher/entry.h"
#include "platform/host/host_state.h"
#include "platform/host/utf8.h"

int main(int argc, char** argv) {
  std::vector<std::wstring> args;
  for (int i = 0; i < argc; ++i) args.push_back(spinstall::platform::host::Widen(argv[i]));
  spinstall::platform::host::SetArguments(std::move(args));
  return spinstall::launcher::RunProgram();
}
