// The tests' Wine prefix, serialised between test processes by a lock file, and the probe
// that reads a dialog's controls.
#include "harness/wine.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace e2e {

Env wineEnv(const std::string& prefix) {
  return {{"WINEPREFIX", prefix}, {"WINEDEBUG", "-all"}, {"WINEDLLOVERRIDES", "mscoree,mshtml="}};
}

void stopWine(const WineTools& tools, const std::string& prefix) {
  if (!std::filesystem::exists(prefix)) return;
  runCommand({tools.wineserver, "-k"}, wineEnv(prefix), Millis(30000));
  runCommand({tools.wineserver, "-w"}, wineEnv(prefix), Millis(30000));
}

bool startWineHost(const WineTools& tools, const std::string& prefix,
                   const std::string& displayName, std::string* error) {
  Env env = wineEnv(prefix);
  env.push_back({"DISPLAY", displayName});
  // The server goes to the background at once; wineboot returns once the prefix has booted,
  // leaving the desktop and services running in sessions of their own.
  for (const std::vector<std::string>& command :
       {std::vector<std::string>{tools.wineserver, "-p"}, {tools.wine, "wineboot"}}) {
    const RunResult run = runCommand(command, env, Millis(120000));
    if (!run.finished || run.exitCode != 0) {
      *error =
          command[0] + " " + command[1] + " " +
          (run.finished ? "failed with exit code " + std::to_string(run.exitCode) : "timed out") +
          ": " + run.output;
      return false;
    }
  }
  return true;
}

namespace {

// What a new prefix takes on disk (Wine copies its DLLs in) with room to run.
constexpr long long kPrefixMegabytes = 1024;

long long freeMegabytes(const std::string& path) {
  std::error_code ec;
  const auto space = std::filesystem::space(path, ec);
  return ec ? -1 : static_cast<long long>(space.available >> 20);
}

// wineboot on a full disk fails at once and without a word, as it cannot write why. The disk
// of a shared machine may fill for a while: the failure says how much room there was, and when
// it was short a second try waits up to a minute for room first. Any other failure stands.
bool bootPrefix(const WineTools& tools, const std::string& prefix, const Env& env,
                std::string* error) {
  const std::string parent = std::filesystem::path(prefix).parent_path();
  std::string failures;
  for (int attempt = 1; attempt <= 2; ++attempt) {
    if (attempt > 1)
      pollUntil(
          Millis(60000), [&] { return freeMegabytes(parent) >= kPrefixMegabytes; }, Millis(1000));
    stopWine(tools, prefix);
    std::error_code ec;
    std::filesystem::remove_all(prefix, ec);
    RunResult boot = runCommand({tools.wineboot, "-i"}, env, Millis(180000));
    if (boot.finished && boot.exitCode == 0) return true;
    const long long room = freeMegabytes(parent);
    failures += "wineboot -i failed (" +
                (boot.finished ? "exit code " + std::to_string(boot.exitCode) : "timed out") +
                ", " + std::to_string(room) + " MB free beside the prefix, " +
                std::to_string(freeMegabytes("/tmp")) + " MB in /tmp): " + boot.output + "\n";
    if (!boot.finished || room >= kPrefixMegabytes) break;
  }
  *error = failures;
  return false;
}

}  // namespace

bool prepareWinePrefix(const WineTools& tools, const std::string& prefix, bool fresh,
                       std::string* error) {
  namespace fs = std::filesystem;
  // Named anew when the settings below change, so an older prefix is made again.
  const std::string marker = prefix + "/.waggler-prefix-settled";
  fs::create_directories(fs::path(prefix).parent_path());
  int lock = ::open((prefix + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lock < 0 || flock(lock, LOCK_EX) != 0) {
    *error = errnoText("cannot lock " + prefix + ".lock");
    if (lock >= 0) ::close(lock);
    return false;
  }
  struct Unlock {
    int fd;
    ~Unlock() { ::close(fd); }
  } unlock{lock};
  if (!fresh && fs::exists(marker)) return true;

  Env env = wineEnv(prefix);
  env.push_back({"DISPLAY", ""});  // no windows while the prefix is made
  if (!bootPrefix(tools, prefix, env, error)) return false;
  // Wine draws the frames itself, with no window manager. The caption is pinned at -270 twips,
  // 18 pixels, which Wine 8 takes by default and Wine 10 would make 26: the tests place the
  // client area by Windows' frame.
  const char* const settings[][3] = {
      {"HKCU\\Software\\Wine\\X11 Driver", "Managed", "N"},
      {"HKCU\\Control Panel\\Desktop\\WindowMetrics", "CaptionHeight", "-270"}};
  for (const auto& setting : settings) {
    RunResult reg =
        runCommand({tools.wine, "reg", "add", setting[0], "/v", setting[1], "/d", setting[2], "/f"},
                   env, Millis(60000));
    if (!reg.finished || reg.exitCode != 0) {
      *error = std::string("wine reg add ") + setting[1] + " failed: " + reg.output;
      return false;
    }
  }
  // The server writes the registry to disk when it ends.
  stopWine(tools, prefix);
  std::ifstream userReg(prefix + "/user.reg");
  std::string text((std::istreambuf_iterator<char>(userReg)), {});
  const auto section = text.find("[Software\\\\Wine\\\\X11 Driver]");
  if (section == std::string::npos ||
      text.find("\"Managed\"=\"N\"", section) == std::string::npos ||
      text.find("\"CaptionHeight\"=\"-270\"") == std::string::npos) {
    *error = "the prefix's user.reg lacks \"Managed\"=\"N\" or \"CaptionHeight\"=\"-270\"";
    return false;
  }
  std::ofstream(marker) << "made by the e2e harness\n";
  return true;
}

std::string scaledWinePrefix(int dpi) {
  return configuredWinePrefix() + "-" + std::to_string(dpi);
}

bool prepareScaledWinePrefix(const WineTools& tools, int dpi, std::string* error) {
  const std::string prefix = scaledWinePrefix(dpi);
  if (!prepareWinePrefix(tools, prefix, false, error)) return false;
  const std::string marker = prefix + "/.waggler-log-pixels-" + std::to_string(dpi);
  if (std::filesystem::exists(marker)) return true;
  Env env = wineEnv(prefix);
  env.push_back({"DISPLAY", ""});
  const RunResult reg =
      runCommand({tools.wine, "reg", "add", "HKCU\\Control Panel\\Desktop", "/v", "LogPixels", "/t",
                  "REG_DWORD", "/d", std::to_string(dpi), "/f"},
                 env, Millis(60000));
  stopWine(tools, prefix);
  if (!reg.finished || reg.exitCode != 0) {
    *error = "wine reg add LogPixels failed: " + reg.output;
    return false;
  }
  char expected[32];
  std::snprintf(expected, sizeof expected, "\"LogPixels\"=dword:%08x", dpi);
  std::ifstream userReg(prefix + "/user.reg");
  const std::string text((std::istreambuf_iterator<char>(userReg)), {});
  if (text.find(expected) == std::string::npos) {
    *error = std::string("the prefix's user.reg lacks ") + expected;
    return false;
  }
  std::ofstream(marker) << "made by the e2e harness\n";
  return true;
}

int wineMajorVersion(const WineTools& tools) {
  const RunResult r = runCommand({tools.wine, "--version"}, {}, Millis(30000));
  // Debian's wine may say first that wine32 is missing.
  const auto at = r.output.find("wine-");
  int major = 0;
  return r.finished && at != std::string::npos &&
                 std::sscanf(r.output.c_str() + at, "wine-%d", &major) == 1
             ? major
             : 0;
}

WineTools configuredWineTools() {
  return {WAGGLER_E2E_WINE, WAGGLER_E2E_WINEBOOT, WAGGLER_E2E_WINESERVER};
}

std::string configuredWinePrefix() {
  return WAGGLER_E2E_WINE_PREFIX;
}

std::optional<std::vector<WineControl>> wineControls(const std::string& displayName,
                                                     const std::string& title, std::string* error) {
  Env env = wineEnv(configuredWinePrefix());
  env.push_back({"DISPLAY", displayName});
  RunResult r =
      runCommand({configuredWineTools().wine, WAGGLER_E2E_WINE_PROBE, title}, env, Millis(30000));
  if (!r.finished || r.exitCode != 0) {
    *error = "the probe found no window titled \"" + title + "\" (exit code " +
             std::to_string(r.exitCode) + "): " + r.output;
    return std::nullopt;
  }
  std::vector<WineControl> controls;
  std::istringstream lines(r.output);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // class|visible|x,y,w,h|text
    std::istringstream fields(line);
    WineControl c;
    std::string visible, frame;
    if (!std::getline(fields, c.cls, '|') || !std::getline(fields, visible, '|') ||
        !std::getline(fields, frame, '|'))
      continue;
    std::getline(fields, c.text);
    c.text.erase(std::remove(c.text.begin(), c.text.end(), '&'), c.text.end());
    c.visible = visible == "1";
    std::sscanf(frame.c_str(), "%d,%d,%d,%d", &c.frame.x, &c.frame.y, &c.frame.width,
                &c.frame.height);
    controls.push_back(c);
  }
  return controls;
}

}  // namespace e2e
