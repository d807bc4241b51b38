// Processes through posix_spawnp, so that the environment, the log and the inherited fds are
// exactly what the test asks for.
#include "harness/process.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <map>

extern char** environ;

namespace e2e {

std::string errnoText(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

namespace {

// The program gets stdin from /dev/null, the log as stdout and stderr, `passFd` as fd 3 and no
// other fd: the test's X connection and pipes stay out. posix_spawnp reports a failed exec.
pid_t spawn(const std::vector<std::string>& argv, const Env& env, const std::string& logPath,
            int passFd, std::string* error) {
  std::map<std::string, std::string> merged;
  for (char** e = environ; *e; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (eq) merged[std::string(const_cast<const char*>(*e), eq)] = eq + 1;
  }
  for (const auto& [name, value] : env) {
    if (value.empty())
      merged.erase(name);
    else
      merged[name] = value;
  }
  std::vector<std::string> envStrings;
  for (const auto& [name, value] : merged) envStrings.push_back(name + "=" + value);
  std::vector<char*> envp, args;
  for (auto& s : envStrings) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::vector<std::string> argCopy = argv;
  for (auto& s : argCopy) args.push_back(s.data());
  args.push_back(nullptr);

  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  if (!logPath.empty()) {
    posix_spawn_file_actions_addopen(&actions, 1, logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC,
                                     0644);
    posix_spawn_file_actions_adddup2(&actions, 1, 2);
  }
  if (passFd >= 0) posix_spawn_file_actions_adddup2(&actions, passFd, 3);
  posix_spawn_file_actions_addclosefrom_np(&actions, passFd >= 0 ? 4 : 3);
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);  // group 0: one of its own
  pid_t pid = -1;
  errno = posix_spawnp(&pid, args[0], &actions, &attributes, args.data(), envp.data());
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  if (errno == 0) return pid;
  *error = errnoText("cannot start " + argv[0]);
  return -1;
}

}  // namespace

std::unique_ptr<Process> Process::start(const std::vector<std::string>& argv, const Env& env,
                                        const std::string& logPath, std::string* error,
                                        int passFd) {
  std::string ignored;
  pid_t pid = spawn(argv, env, logPath, passFd, error ? error : &ignored);
  if (pid < 0) return nullptr;
  std::unique_ptr<Process> p(new Process);
  p->pid_ = pid;
  return p;
}

Process::~Process() {
  if (pid_ > 0 && !exitCode_) kill();
  // The leader may be gone while something it forked (Wine's helpers) lives on.
  if (pid_ > 0) ::kill(-pid_, SIGKILL);
}

bool Process::running() {
  return !waitExit(Millis(0)).has_value();
}

namespace {

int exitCodeOf(int status) {
  return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

}  // namespace

std::optional<int> Process::waitExit(Millis timeout) {
  pollUntil(
      timeout,
      [&] {
        int status = 0;
        if (!exitCode_ && waitpid(pid_, &status, WNOHANG) == pid_) exitCode_ = exitCodeOf(status);
        return exitCode_.has_value();
      },
      Millis(10));
  return exitCode_;
}

void Process::kill() {
  if (exitCode_) return;
  ::kill(-pid_, SIGKILL);
  ::kill(pid_, SIGKILL);
  int status = 0;
  exitCode_ = waitpid(pid_, &status, 0) == pid_ ? exitCodeOf(status) : -1;
}

void Process::stop(Millis grace) {
  if (!exitCode_) ::kill(pid_, SIGTERM);
  if (!waitExit(grace)) kill();
}

RunResult runCommand(const std::vector<std::string>& argv, const Env& env, Millis timeout) {
  RunResult result;
  char logTemplate[] = "/tmp/waggler-e2e-XXXXXX";
  int fd = mkstemp(logTemplate);
  if (fd < 0) {
    result.output = errnoText("mkstemp");
    return result;
  }
  ::close(fd);
  std::string error;
  auto p = Process::start(argv, env, logTemplate, &error);
  if (!p) {
    ::unlink(logTemplate);
    result.output = error;
    return result;
  }
  auto code = p->waitExit(timeout);
  if (!code) p->kill();
  result.finished = code.has_value();
  result.exitCode = code.value_or(-1);
  std::ifstream in(logTemplate);
  result.output.assign(std::istreambuf_iterator<char>(in), {});
  ::unlink(logTemplate);
  return result;
}

std::string fileTail(const std::string& path, size_t maxBytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "(no file " + path + ")";
  std::string text((std::istreambuf_iterator<char>(in)), {});
  if (text.size() > maxBytes) text = "..." + text.substr(text.size() - maxBytes);
  return text.empty() ? "(empty)" : text;
}

}  // namespace e2e
