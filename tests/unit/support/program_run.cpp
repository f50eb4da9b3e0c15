#include "support/program_run.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <map>

extern char** environ;

namespace testsupport {
namespace {

// This process's environment with the changes made, as "name=value" texts.
std::vector<std::string> ChangedEnvironment(
    const std::vector<std::pair<std::string, std::string>>& changes) {
  std::map<std::string, std::string> values;
  for (char** entry = environ; *entry; ++entry) {
    const std::string text = *entry;
    const auto eq = text.find('=');
    if (eq != std::string::npos) values[text.substr(0, eq)] = text.substr(eq + 1);
  }
  for (const auto& [name, value] : changes) {
    if (value.empty())
      values.erase(name);
    else
      values[name] = value;
  }
  std::vector<std::string> out;
  for (const auto& [name, value] : values) out.push_back(name + "=" + value);
  return out;
}

std::vector<char*> Pointers(std::vector<std::string>& texts) {
  std::vector<char*> pointers;
  for (auto& text : texts) pointers.push_back(text.data());
  pointers.push_back(nullptr);
  return pointers;
}

}  // namespace

ProgramRun RunProgram(const std::string& path, const std::vector<std::string>& args,
                      const std::vector<std::pair<std::string, std::string>>& env,
                      const std::string& workDirectory) {
  std::vector<std::string> argTexts{path};
  argTexts.insert(argTexts.end(), args.begin(), args.end());
  std::vector<std::string> envTexts = ChangedEnvironment(env);
  // Built before the fork: the child only calls what is safe there.
  std::vector<char*> argv = Pointers(argTexts);
  std::vector<char*> envp = Pointers(envTexts);

  ProgramRun run;
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return run;
  const pid_t child = ::fork();
  if (child == 0) {
    const int devNull = ::open("/dev/null", O_WRONLY);
    ::dup2(devNull, STDOUT_FILENO);
    ::dup2(pipeFds[1], STDERR_FILENO);
    ::close(pipeFds[0]);
    if (::chdir(workDirectory.c_str()) != 0) ::_exit(126);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  ::close(pipeFds[1]);
  if (child < 0) {
    ::close(pipeFds[0]);
    return run;
  }
  char buffer[4096];
  for (;;) {
    const ssize_t n = ::read(pipeFds[0], buffer, sizeof buffer);
    if (n > 0) {
      run.standardError.append(buffer, static_cast<std::size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  ::close(pipeFds[0]);
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  run.exitStatus = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return run;
}

ProgramRun RunHostProgram(const std::vector<std::string>& args,
                          const std::vector<std::pair<std::string, std::string>>& env,
                          const std::string& workDirectory) {
  return RunProgram(SPINSTALL_PROGRAM, args, env, workDirectory);
}

}  // namespace testsupport
