// Processes through fork and execvpe, so that the environment, the log and the inherited fds
// are exactly what the test asks for.
#include "tests/e2e/process.h"

#include <errno.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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

// Closing the fds above 2 keeps the test's X connection and pipes out of the program.
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

  int logFd = -1;
  if (!logPath.empty()) {
    logFd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (logFd < 0) {
      *error = errnoText("cannot open " + logPath);
      return -1;
    }
  }
  int errPipe[2];
  if (pipe2(errPipe, O_CLOEXEC) != 0) {
    *error = errnoText("pipe");
    if (logFd >= 0) ::close(logFd);
    return -1;
  }
  const long maxFd = std::min(sysconf(_SC_OPEN_MAX), 4096L);
  pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    if (logFd >= 0) {
      dup2(logFd, 1);
      dup2(logFd, 2);
    }
    int devnull = ::open("/dev/null", O_RDONLY);
    if (devnull >= 0) dup2(devnull, 0);
    int errFd = errPipe[1];
    if (passFd >= 0 && errFd == 3) errFd = fcntl(3, F_DUPFD_CLOEXEC, 10);
    if (passFd >= 0) {
      if (passFd == 3) {
        fcntl(3, F_SETFD, 0);
      } else {
        dup2(passFd, 3);
      }
    }
    for (int fd = passFd >= 0 ? 4 : 3; fd < maxFd; ++fd)
      if (fd != errFd) ::close(fd);
    execvpe(args[0], args.data(), envp.data());
    int code = errno;
    (void)!write(errFd, &code, sizeof code);
    _exit(127);
  }
  ::close(errPipe[1]);
  if (logFd >= 0) ::close(logFd);
  if (pid < 0) {
    *error = errnoText("fork");
    ::close(errPipe[0]);
    return -1;
  }
  // Also set here, so that the group exists before the parent may signal it.
  setpgid(pid, pid);
  int code = 0;
  ssize_t got = read(errPipe[0], &code, sizeof code);
  ::close(errPipe[0]);
  if (got == sizeof code) {
    waitpid(pid, nullptr, 0);
    errno = code;
    *error = errnoText("cannot start " + argv[0]);
    return -1;
  }
  return pid;
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
