// The Windows installer, silent, under Wine in the tests' prefix: over the previous build it
// replaces that build's files, leaves one uninstall entry, puts the programs, the Start-menu
// entry and the screensaver in place, keeps the start at sign-in, and both programs start from
// there; the start at sign-in is there only when asked for; the uninstaller takes away
// everything of ours.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

#include "harness/e2e.h"

using namespace e2e;
namespace fs = std::filesystem;

namespace {

const char kUninstallKeys[] = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall";
const char kEntry[] = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Waggler";
const char kDesktop[] = "HKCU\\Control Panel\\Desktop";
const char kSaverSettings[] = "HKCU\\Software\\Waggler\\Screensaver";
const char kRunKey[] = "HKCU\\Software\\Microsoft\\Windows\\CurrentVersion\\Run";
// A screensaver the user had chosen before, and how long they let Windows wait.
const char kTheirSaver[] = "C:\\windows\\system32\\theirs.scr";
const char kTheirWait[] = "420";
// A program the user starts at sign-in.
const char kTheirStart[] = "C:\\theirs\\clock.exe";
// What a failed run may have left, in regedit's words.
const char kNothingOfOurs[] =
    "[-HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\Waggler]\n"
    "[-HKEY_CURRENT_USER\\Software\\Waggler]\n";
const char kDesktopSection[] = "[HKEY_CURRENT_USER\\Control Panel\\Desktop]\n";
const char kRunSection[] =
    "[HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run]\n"
    "\"Waggler\"=-\n";
// What Wine's `reg query` says, with exit code 1, of a key that does not exist.
const char kNoSuchKey[] = "Unable to find the specified registry key";

// A string as regedit reads it: quoted, its backslashes doubled.
std::string regString(std::string text) {
  for (size_t i = 0; (i = text.find('\\', i)) != std::string::npos; i += 2) text.insert(i, 1, '\\');
  return "\"" + text + "\"";
}

class WindowsInstaller : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string error;
    ASSERT_TRUE(prepareWinePrefix(tools_, prefix_, false, &error)) << error;
    stopWine(tools_, prefix_);
    for (const auto& entry : fs::directory_iterator(prefix_ + "/drive_c/users"))
      if (entry.path().filename() != "Public") profile_ = entry.path().filename();
    ASSERT_FALSE(profile_.empty()) << "the prefix has no user profile";
    keepServer();
    ASSERT_NO_FATAL_FAILURE(removeOurs("\"SCRNSAVE.EXE\"=" + regString(kTheirSaver) + "\n" +
                                           "\"ScreenSaveTimeOut\"=" + regString(kTheirWait) + "\n",
                                       "\"TheirClock\"=" + regString(kTheirStart) + "\n"));
  }

  void TearDown() override {
    keepServer();
    removeOurs("\"SCRNSAVE.EXE\"=-\n\"ScreenSaveTimeOut\"=-\n", "\"TheirClock\"=-\n");
    stopWine(tools_, prefix_);
  }

  // Takes away whatever a failed run may have left, and sets the user's screensaver values and
  // what they start at sign-in.
  void removeOurs(const std::string& desktopValues, const std::string& runValues) {
    fs::remove_all(unixPath(folder()));
    fs::remove(unixPath(startMenuEntry()));
    const std::string file = prefix_ + "/drive_c/waggler-test.reg";
    std::ofstream(file) << "REGEDIT4\n\n"
                        << kNothingOfOurs << kDesktopSection << desktopValues << kRunSection
                        << runValues;
    RunResult r = wine({"regedit", "/S", "C:\\waggler-test.reg"});
    fs::remove(file);
    ASSERT_TRUE(r.finished && r.exitCode == 0) << "regedit failed: " << r.output;
  }

  // One Wine server for the many short calls, rather than one started for each.
  void keepServer() { runCommand({tools_.wineserver, "-p"}, env(), kExitTimeout); }

  // Wine for the installers: no menu entries on the machine running the tests.
  Env env() {
    Env env = wineEnv(prefix_);
    env.push_back({"WINEDLLOVERRIDES", "mscoree,mshtml=;winemenubuilder.exe=d"});
    env.push_back({"DISPLAY", ""});
    return env;
  }

  RunResult wine(std::vector<std::string> args) {
    args.insert(args.begin(), tools_.wine);
    return runCommand(args, env(), kStartTimeout);
  }

  void run(const std::vector<std::string>& command) {
    RunResult r = wine(command);
    ASSERT_TRUE(r.finished && r.exitCode == 0) << joined(command) << ": " << r.output;
  }

  void setValue(const std::string& key, const std::string& name, const std::string& data,
                const std::string& type = "REG_SZ") {
    RunResult r = wine({"reg", "add", key, "/v", name, "/t", type, "/d", data, "/f"});
    ASSERT_EQ(r.exitCode, 0) << r.output;
  }

  // What `reg query` prints, empty when there is no such key. A query that fails otherwise or
  // does not finish fails the test: it tells nothing of the key.
  std::string query(std::vector<std::string> args) {
    args.insert(args.begin(), {"reg", "query"});
    const RunResult r = wine(args);
    if (r.finished && r.exitCode == 0) return r.output;
    if (r.finished && r.exitCode == 1 && r.output.find(kNoSuchKey) != std::string::npos) return "";
    ADD_FAILURE() << joined(args) << " "
                  << (r.finished ? "failed, exit code " + std::to_string(r.exitCode)
                                 : std::string("did not finish"))
                  << ": " << r.output;
    return "";
  }

  // A key's values, by name, as `reg query` lists them; none when there is no such key.
  std::map<std::string, std::string> values(const std::string& key) {
    std::map<std::string, std::string> found;
    std::istringstream lines(query({key}));
    for (std::string line; std::getline(lines, line);) {
      if (!line.empty() && line.back() == '\r') line.pop_back();
      const auto type = line.find("    REG_");
      if (line.rfind("    ", 0) != 0 || type == std::string::npos) continue;
      const auto data = line.find("    ", type + 4);
      found[line.substr(4, type - 4)] = data == std::string::npos ? "" : line.substr(data + 4);
    }
    return found;
  }

  int entriesNamedWaggler() {
    std::istringstream lines(query({kUninstallKeys, "/s"}));
    int count = 0;
    for (std::string line; std::getline(lines, line);)
      count += line.find("DisplayName    REG_SZ    Waggler") != std::string::npos;
    return count;
  }

  std::string folder() { return "C:\\users\\" + profile_ + "\\AppData\\Local\\Programs\\Waggler"; }
  std::string startMenuEntry() {
    return "C:\\users\\" + profile_ +
           "\\AppData\\Roaming\\Microsoft\\Windows\\Start Menu\\Programs\\Waggler.lnk";
  }
  std::string unixPath(std::string windowsPath) {
    std::replace(windowsPath.begin(), windowsPath.end(), '\\', '/');
    return prefix_ + "/drive_c" + windowsPath.substr(2);
  }

  WineTools tools_ = configuredWineTools();
  std::string prefix_ = configuredWinePrefix();
  std::string profile_;
};

TEST_F(WindowsInstaller, SilentInstallOverThePreviousBuildReplacesItKeepsChoicesAndStarts) {
  ASSERT_NO_FATAL_FAILURE(run({WAGGLER_PREVIOUS_INSTALLER, "/S", "/AUTOSTART"}));
  ASSERT_EQ(values(kEntry)["DisplayVersion"], WAGGLER_PREVIOUS_VERSION);
  const std::string retired = unixPath(folder() + "\\" + WAGGLER_RETIRED_FILE);
  ASSERT_TRUE(fs::is_regular_file(retired)) << "the previous build should install " << retired;
  // The user's own screensaver settings, which an upgrade keeps.
  ASSERT_NO_FATAL_FAILURE(setValue(kSaverSettings, "SlowTurn", "0", "REG_DWORD"));
  ASSERT_NO_FATAL_FAILURE(run({WAGGLER_INSTALLER, "/S"}));

  for (const char* file : {"waggler.exe", "waggler.scr", "README.txt", "uninstall.exe"})
    EXPECT_TRUE(fs::is_regular_file(unixPath(folder() + "\\" + file))) << file;
  EXPECT_FALSE(fs::exists(retired)) << "the upgrade left the previous build's " << retired;
  std::ifstream link(unixPath(startMenuEntry()), std::ios::binary);
  const std::string linked((std::istreambuf_iterator<char>(link)), {});
  EXPECT_NE(linked.find(folder() + "\\waggler.exe"), std::string::npos)
      << "the Start-menu entry should start " << folder() << "\\waggler.exe";
  EXPECT_FALSE(fs::exists(unixPath("C:\\users\\" + profile_ + "\\Desktop\\Waggler.lnk")))
      << "nothing on the desktop unless asked";

  EXPECT_EQ(entriesNamedWaggler(), 1);
  auto entry = values(kEntry);
  EXPECT_EQ(entry["DisplayVersion"], WAGGLER_VERSION);
  EXPECT_EQ(entry["Publisher"], WAGGLER_PUBLISHER);
  EXPECT_EQ(entry["DisplayIcon"], folder() + "\\waggler.exe,0");
  EXPECT_EQ(entry["UninstallString"], "\"" + folder() + "\\uninstall.exe\"");
  EXPECT_EQ(entry["QuietUninstallString"], entry["UninstallString"] + " /S");
  EXPECT_GT(std::strtol(entry["EstimatedSize"].c_str(), nullptr, 0), 0);
  auto desktop = values(kDesktop);
  EXPECT_EQ(desktop["SCRNSAVE.EXE"], folder() + "\\waggler.scr");
  EXPECT_EQ(desktop["ScreenSaveTimeOut"], kTheirWait);
  EXPECT_EQ(values(kSaverSettings)["SlowTurn"], "0x0");
  EXPECT_EQ(values(kRunKey)["Waggler"], "\"" + folder() + "\\waggler.exe\"")
      << "the upgrade should keep the start at sign-in";

  SessionOptions options;
  options.program = unixPath(folder() + "\\waggler.exe");
  {
    std::unique_ptr<ClockSession> session;
    ASSERT_NO_FATAL_FAILURE(startSession(windowsExe, options, &session));
    Window clock;
    Rect client;
    ASSERT_NO_FATAL_FAILURE(showClock(*session, &clock, &client));
  }

  // The screensaver as Windows starts it: the program SCRNSAVE.EXE names, with /s.
  std::string error;
  auto server = XServer::start({}, &error);
  ASSERT_TRUE(server) << error;
  Env saverEnv = wineEnv(prefix_);
  saverEnv.push_back({"DISPLAY", server->displayName()});
  saverEnv.push_back({"LIBGL_ALWAYS_SOFTWARE", "1"});
  auto saver = Process::start({tools_.wine, desktop["SCRNSAVE.EXE"], "/s"}, saverEnv,
                              artifactPath("saver", "log"), &error);
  ASSERT_TRUE(saver) << error;
  const auto fillsTheScreen = [](const Picture& s) {
    return dialPixels(s, {0, 0, s.width, s.height}) >= s.width * s.height / 3;
  };
  EXPECT_TRUE(fillsTheScreen(server->x().waitForScreen(kStartTimeout, fillsTheScreen, saver.get())))
      << "the screensaver should show the dial over the screen" << screenshot(server->x(), "saver")
      << "\noutput:\n"
      << fileTail(artifactPath("saver", "log"));
  saver->kill();
}

TEST_F(WindowsInstaller, SilentUninstallLeavesNothingOfOursAndTheirChoicesAlone) {
  for (const bool ours : {true, false}) {
    SCOPED_TRACE(ours ? "Waggler chosen as the screensaver and started at sign-in"
                      : "theirs kept, no start at sign-in");
    ASSERT_NO_FATAL_FAILURE(setValue(kDesktop, "SCRNSAVE.EXE", kTheirSaver));
    if (ours)
      ASSERT_NO_FATAL_FAILURE(run({WAGGLER_INSTALLER, "/S", "/AUTOSTART"}));
    else
      ASSERT_NO_FATAL_FAILURE(run({WAGGLER_INSTALLER, "/S", "/NOSCREENSAVER"}));
    EXPECT_EQ(values(kDesktop)["SCRNSAVE.EXE"], ours ? folder() + "\\waggler.scr" : kTheirSaver);
    auto signIn = values(kRunKey);
    if (ours) {
      EXPECT_EQ(signIn["Waggler"], "\"" + folder() + "\\waggler.exe\"");
    } else {
      EXPECT_EQ(signIn.count("Waggler"), 0u) << "a start at sign-in nobody asked for";
    }
    ASSERT_NO_FATAL_FAILURE(setValue(kSaverSettings, "SlowTurn", "0", "REG_DWORD"));

    // Quoted program, then its switch.
    const std::string quiet = values(kEntry)["QuietUninstallString"];
    const auto end = quiet.find('"', 1);
    ASSERT_TRUE(quiet[0] == '"' && end != std::string::npos) << "no quiet uninstall: " << quiet;
    ASSERT_NO_FATAL_FAILURE(run({quiet.substr(1, end - 1), quiet.substr(end + 2)}));
    // It goes on in a copy of itself, and removes the entry last.
    EXPECT_TRUE(pollUntil(
        kExitTimeout, [&] { return values(kEntry).empty(); }, Millis(200)))
        << "the uninstall entry stays";

    EXPECT_FALSE(fs::exists(unixPath(folder()))) << "the folder stays";
    EXPECT_FALSE(fs::exists(unixPath(startMenuEntry()))) << "the Start-menu entry stays";
    EXPECT_TRUE(values(kSaverSettings).empty()) << "the screensaver's settings stay";
    auto desktop = values(kDesktop);
    if (ours) {
      EXPECT_EQ(desktop.count("SCRNSAVE.EXE"), 0u) << "SCRNSAVE.EXE still names ours";
    } else {
      EXPECT_EQ(desktop["SCRNSAVE.EXE"], kTheirSaver);
    }
    EXPECT_EQ(desktop["ScreenSaveTimeOut"], kTheirWait);
    signIn = values(kRunKey);
    EXPECT_EQ(signIn.count("Waggler"), 0u) << "the start at sign-in stays";
    EXPECT_EQ(signIn["TheirClock"], kTheirStart);
  }
}

}  // namespace
