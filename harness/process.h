// Child processes of the tests: started in their own process group with a chosen environment
// and log, waited for, killed with whatever they forked; and commands run to their end.
#pragma once

#include <sys/types.h>

#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "harness/waiting.h"

namespace e2e {

using Env = std::vector<std::pair<std::string, std::string>>;

// A child process in its own process group, so that it and everything it forks (Wine's
// helpers, faketime's program) can be ended together.
class Process {
 public:
  // Starts argv[0] (looked up in PATH) with the current environment plus `env` (an empty value
  // removes the variable). stdout and stderr go to `logPath` when it is given, else are kept.
  // `passFd`, when given, becomes the child's fd 3; every other fd above 2 is closed.
  static std::unique_ptr<Process> start(const std::vector<std::string>& argv, const Env& env,
                                        const std::string& logPath, std::string* error,
                                        int passFd = -1);
  ~Process();
  Process(const Process&) = delete;
  Process& operator=(const Process&) = delete;

  pid_t pid() const { return pid_; }
  // True while the process has not exited.
  bool running();
  // Waits up to `timeout` for the exit; returns the exit code, or 128 + signal when killed by
  // one, or nothing when it is still running.
  std::optional<int> waitExit(Millis timeout);
  // Kills the whole process group and reaps the child.
  void kill();
  // Asks the process to end (SIGTERM) and kills it when it has not within `grace`.
  void stop(Millis grace);
  std::optional<int> exitCode() const { return exitCode_; }

 private:
  Process() = default;
  pid_t pid_ = -1;
  std::optional<int> exitCode_;
};

struct RunResult {
  bool finished = false;  // false: it ran past the timeout and was killed
  int exitCode = -1;
  std::string output;  // stdout and stderr together
};

// Runs a command to its end (killing it after `timeout`) and collects its output.
RunResult runCommand(const std::vector<std::string>& argv, const Env& env, Millis timeout);

// What failed, with errno's text.
std::string errnoText(const std::string& what);

// The last `maxBytes` of a text file (a program's log), for failure messages.
std::string fileTail(const std::string& path, size_t maxBytes = 2000);

}  // namespace e2e
