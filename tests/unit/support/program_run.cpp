#include "support/program_run.h"

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <map>
#include <thread>

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

// Starts the program with standard error on `errorFd` (closed in the child
// when -1) and standard output on /dev/null; the child's id, or -1.
pid_t StartProgram(const std::string& path, const std::vector<std::string>& args,
                   const std::vector<std::pair<std::string, std::string>>& env,
                   const std::string& workDirectory, int errorFd, int closeFd) {
  std::vector<std::string> argTexts{path};
  argTexts.insert(argTexts.end(), args.begin(), args.end());
  std::vector<std::string> envTexts = ChangedEnvironment(env);
  // Built before the fork: the child only calls what is safe there.
  std::vector<char*> argv = Pointers(argTexts);
  std::vector<char*> envp = Pointers(envTexts);
  const pid_t child = ::fork();
  if (child == 0) {
    const int devNull = ::open("/dev/null", O_WRONLY);
    ::dup2(devNull, STDOUT_FILENO);
    if (errorFd >= 0)
      ::dup2(errorFd, STDERR_FILENO);
    else
      ::close(STDERR_FILENO);
    if (closeFd >= 0) ::close(closeFd);
    if (::chdir(workDirectory.c_str()) != 0) ::_exit(126);
    ::execve(argv[0], argv.data(), envp.data());
    ::_exit(127);
  }
  return child;
}

int WaitFor(pid_t child) {
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

std::string RegistrySection(const std::string& code, const std::string& name,
                            const std::string& language, const std::string& version) {
  return "[" + code + "]\nProductName=" + name + "\nLanguage=" + language +
         "\nVersionString=" + version + "\n\n";
}

ProgramRun RunProgram(const std::string& path, const std::vector<std::string>& args,
                      const std::vector<std::pair<std::string, std::string>>& env,
                      const std::string& workDirectory) {
  ProgramRun run;
  int pipeFds[2];
  if (::pipe(pipeFds) != 0) return run;
  const pid_t child = StartProgram(path, args, env, workDirectory, pipeFds[1], pipeFds[0]);
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
  run.exitStatus = WaitFor(child);
  return run;
}

int RunHostProgramWithout(StandardError error, const std::vector<std::string>& args,
                          const std::vector<std::pair<std::string, std::string>>& env,
                          const std::string& workDirectory) {
  int pipeFds[2] = {-1, -1};
  if (error == StandardError::BrokenPipe) {
    if (::pipe(pipeFds) != 0) return -1;
    ::close(pipeFds[0]);
  }
  const pid_t child = StartProgram(SPINSTALL_PROGRAM, args, env, workDirectory, pipeFds[1], -1);
  if (pipeFds[1] >= 0) ::close(pipeFds[1]);
  return child < 0 ? -1 : WaitFor(child);
}

void KillHostProgramAfter(std::chrono::microseconds delay, const std::vector<std::string>& args,
                          const std::string& workDirectory) {
  const pid_t child = StartProgram(SPINSTALL_PROGRAM, args, {}, workDirectory, -1, -1);
  if (child < 0) return;
  std::this_thread::sleep_for(delay);
  ::kill(child, SIGKILL);
  WaitFor(child);
}

ProgramRun RunHostProgram(const std::vector<std::string>& args,
                          const std::vector<std::pair<std::string, std::string>>& env,
                          const std::string& workDirectory) {
  return RunProgram(SPINSTALL_PROGRAM, args, env, workDirectory);
}

}  // namespace testsupport
