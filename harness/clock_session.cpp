// The two programs' descriptions, and a run of either: faketime for a known wall clock, the
// program's log among the artefacts, and the common first steps of a test.
#include "harness/clock_session.h"

#include <X11/keysym.h>
#include <errno.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <strings.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "harness/wine.h"
#include "platform/linux/window_frame.h"

namespace e2e {
namespace {

// Our own box, drawn with Xft: its text is found on the screen by drawing it alike.
std::string checkOwnBox(ClockSession& session, const std::string& title, const std::string& text,
                        const std::vector<std::string>& buttons) {
  auto info = session.x().info(session.x().findWindow(title));
  if (!info) return "no window titled \"" + title + "\"";
  const Picture screen = session.x().grabScreen();
  std::string problems;
  if (!session.x().findBoxText(screen, info->frame, text, false))
    problems += "expected the text \"" + text + "\" in the box; ";
  for (const auto& label : buttons)
    if (!session.x().findBoxText(screen, info->frame, label, true))
      problems += "expected a button \"" + label + "\" in the box; ";
  return problems;
}

std::optional<Rect> findOwnButton(ClockSession& session, const std::string& title,
                                  const std::string& label) {
  auto info = session.x().info(session.x().findWindow(title));
  if (!info) return std::nullopt;
  return session.x().findBoxText(session.x().grabScreen(), info->frame, label, true);
}

bool prepareLinuxProgram(const std::string& path, std::vector<std::string>* argv, Env* env,
                         std::string*) {
  *argv = {path};
  env->push_back({"SDL_VIDEODRIVER", "x11"});
  return true;
}

// Windows' box, read by the probe inside the prefix.
std::string checkWindowsBox(ClockSession& session, const std::string& title,
                            const std::string& text, const std::vector<std::string>& buttons) {
  if (!session.x().findWindow(title)) return "no window titled \"" + title + "\"";
  std::string error;
  auto controls = wineControls(session.displayName(), title, &error);
  if (!controls) return error;
  std::vector<std::string> texts, labels;
  for (const auto& c : *controls) {
    if (!c.visible) continue;
    if (strcasecmp(c.cls.c_str(), "Static") == 0 && !c.text.empty()) texts.push_back(c.text);
    if (strcasecmp(c.cls.c_str(), "Button") == 0) labels.push_back(c.text);
  }
  std::string problems;
  if (std::find(texts.begin(), texts.end(), text) == texts.end())
    problems += "expected the text \"" + text + "\", the box shows " + joined(texts) + "; ";
  if (labels != buttons)
    problems += "expected the buttons " + joined(buttons) + ", the box has " + joined(labels);
  return problems;
}

std::optional<Rect> findWindowsButton(ClockSession& session, const std::string& title,
                                      const std::string& label) {
  std::string error;
  auto controls = session.x().findWindow(title) ? wineControls(session.displayName(), title, &error)
                                                : std::nullopt;
  for (const auto& c : controls.value_or(std::vector<WineControl>{}))
    if (c.visible && strcasecmp(c.cls.c_str(), "Button") == 0 && c.text == label) return c.frame;
  return std::nullopt;
}

// The .exe started in `prefix`, which `ready` makes ready first.
bool prepareWindowsExeIn(const std::string& prefix, bool (*ready)(const WineTools&, std::string*),
                         const std::string& path, std::vector<std::string>* argv, Env* env,
                         std::string* error) {
  if (!std::filesystem::exists(path)) {
    *error = "no Windows program at " + path +
             " (build it with `cmake --preset windows && cmake --build --preset windows`, or "
             "point WAGGLER_WINDOWS_EXE at it)";
    return false;
  }
  const WineTools tools = configuredWineTools();
  if (!ready(tools, error)) return false;
  // Leftovers of an earlier run would hold windows on a server that is gone.
  stopWine(tools, prefix);
  *argv = {tools.wine, path};
  for (auto& e : wineEnv(prefix)) env->push_back(e);
  return true;
}

bool prepareWindowsExe(const std::string& path, std::vector<std::string>* argv, Env* env,
                       std::string* error) {
  return prepareWindowsExeIn(
      configuredWinePrefix(),
      [](const WineTools& tools, std::string* why) {
        return prepareWinePrefix(tools, configuredWinePrefix(), false, why);
      },
      path, argv, env, error);
}

bool prepareWindowsExeAt192(const std::string& path, std::vector<std::string>* argv, Env* env,
                            std::string* error) {
  return prepareWindowsExeIn(
      scaledWinePrefix(192),
      [](const WineTools& tools, std::string* why) {
        return prepareScaledWinePrefix(tools, 192, why);
      },
      path, argv, env, error);
}

bool startWineOfThePrefix(const std::string& displayName, std::string* error) {
  return startWineHost(configuredWineTools(), configuredWinePrefix(), displayName, error);
}

bool startWineOfThePrefixAt192(const std::string& displayName, std::string* error) {
  return startWineHost(configuredWineTools(), scaledWinePrefix(192), displayName, error);
}

void stopWineOfThePrefix() {
  stopWine(configuredWineTools(), configuredWinePrefix());
}

void stopWineOfThePrefixAt192() {
  stopWine(configuredWineTools(), scaledWinePrefix(192));
}

}  // namespace

const Program linuxProgram = {
    "waggler",
    "the Linux program",
    WAGGLER_E2E_LINUX_PROGRAM,
    WAGGLER_E2E_CHECK_GL_PROGRAM,
    {0, 0, 0, 0},  // no window manager, so no frame
    XK_Escape,
    prepareLinuxProgram,
    nullptr,
    nullptr,
    checkOwnBox,
    findOwnButton,
};

// A Windows Yes/No box has no Escape; it takes the mnemonic N. The .exe has no checking
// variant: the tests cannot see its GL errors.
const Program windowsExe = {
    "waggler.exe",
    "the .exe under Wine",
    WAGGLER_E2E_WINDOWS_EXE,
    "",
    {nonClient::left, nonClient::top, nonClient::right, nonClient::bottom},
    XK_n,
    prepareWindowsExe,
    startWineOfThePrefix,
    stopWineOfThePrefix,
    checkWindowsBox,
    findWindowsButton,
};

// The same at 200 %: its frame is Wine's at that scale, which the tests read from the screen.
const Program windowsExeAt192 = {
    "waggler.exe-at-192-dpi",
    "the .exe under Wine at 192 dpi",
    WAGGLER_E2E_WINDOWS_EXE,
    "",
    {0, 0, 0, 0},
    XK_n,
    prepareWindowsExeAt192,
    startWineOfThePrefixAt192,
    stopWineOfThePrefixAt192,
    checkWindowsBox,
    findWindowsButton,
};

void PrintTo(const Program* program, std::ostream* out) {
  *out << program->name;
}

namespace {

// faketime's wrapper keeps a shared clock named after its pid, and removes it only when it ends
// by itself; killed, it leaves it behind, and a later wrapper that gets the same pid cannot
// start ("sem_open: File exists").
void removeFakedClock(pid_t pid) {
  ::unlink(("/dev/shm/faketime_shm_" + std::to_string(pid)).c_str());
  ::unlink(("/dev/shm/sem.faketime_sem_" + std::to_string(pid)).c_str());
}

// The shared clocks of wrappers no longer running, whoever killed them.
void removeStaleFakedClocks() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", error)) {
    const std::string name = entry.path().filename();
    for (const std::string prefix : {"faketime_shm_", "sem.faketime_sem_"}) {
      if (name.rfind(prefix, 0) != 0) continue;
      const pid_t pid = std::atoi(name.c_str() + prefix.size());
      if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH) removeFakedClock(pid);
    }
  }
}

}  // namespace

std::unique_ptr<ClockSession> ClockSession::start(const Program& program,
                                                  const SessionOptions& options,
                                                  std::string* error) {
  std::unique_ptr<ClockSession> s(new ClockSession);
  s->program_ = &program;
  s->checksGl_ = !options.program.empty() ? options.program == program.glCheckingPath
                                          : !program.glCheckingPath.empty();
  s->logPath_ = artifactPath("program", "log");
  std::vector<std::string> argv;
  Env env = {{"LIBGL_ALWAYS_SOFTWARE", "1"}, {"WAYLAND_DISPLAY", ""}};
  const std::string& path = options.program.empty() ? program.path : options.program;
  if (!program.prepare(path, &argv, &env, error)) return nullptr;
  if (!options.fixedTime.empty()) {
    removeStaleFakedClocks();
    argv.insert(argv.begin(), {WAGGLER_E2E_FAKETIME, "-f", options.fixedTime});
    s->fakedTime_ = true;
    // File times stay true: Wine takes a shifted time stamp of its prefix for an outdated
    // prefix and rebuilds it, seconds per start.
    env.push_back({"NO_FAKE_STAT", "1"});
  }
  if (!options.timeFile.empty()) {
    env.push_back({"LD_PRELOAD", WAGGLER_E2E_LIBFAKETIME});
    env.push_back({"FAKETIME_TIMESTAMP_FILE", options.timeFile});
    env.push_back({"FAKETIME_NO_CACHE", "1"});
  }
  for (auto& e : options.env) env.push_back(e);

  s->server_ = XServer::start(options.xvfbArgs, error);
  if (!s->server_) return nullptr;
  if (!options.xResources.empty()) {
    const std::string resources = artifactPath("xresources", "txt");
    std::ofstream(resources) << options.xResources << "\n";
    const RunResult merged = runCommand(
        {"xrdb", "-nocpp", "-display", s->displayName(), "-merge", resources}, {}, Millis(10000));
    if (!merged.finished || merged.exitCode != 0) {
      *error = "xrdb could not merge the resources: " + merged.output;
      return nullptr;
    }
  }
  env.push_back({"DISPLAY", s->displayName()});
  if (program.startHost && !program.startHost(s->displayName(), error)) return nullptr;
  s->process_ = Process::start(argv, env, s->logPath_, error);
  if (!s->process_) return nullptr;
  return s;
}

ClockSession::~ClockSession() {
  if (process_) process_->kill();
  if (process_ && fakedTime_) removeFakedClock(process_->pid());
  if (program_ && program_->cleanUp) program_->cleanUp();
}

std::string ClockSession::context(const std::string& step) {
  return screenshot(x(), step) + "\noutput of " + program_->description + ":\n" + log();
}

Window ClockSession::waitForWindow(const std::string& title, Millis timeout) {
  return x().waitForWindow(title, timeout, process_.get());
}

std::optional<int> ClockSession::waitExitNoting(Millis timeout, std::vector<std::string>* mapped,
                                                const std::string& stopAt) {
  std::optional<int> code;
  pollUntil(timeout, [&] {
    code = process_->waitExit(Millis(0));
    const auto more = x().takeMappedTitles();
    mapped->insert(mapped->end(), more.begin(), more.end());
    return code || std::find(mapped->begin(), mapped->end(), stopAt) != mapped->end();
  });
  return code;
}

void ClockSession::answerYes() {
  x().tapKey(XK_Return);
}

void ClockSession::answerNo() {
  x().tapKey(program_->noKey);
}

std::string ClockSession::waitForMessageBox(const std::string& title, const std::string& text,
                                            const std::vector<std::string>& buttons,
                                            Millis timeout) {
  std::string problems;
  pollUntil(
      timeout, [&] { return (problems = program_->checkBox(*this, title, text, buttons)).empty(); },
      Millis(100));
  return problems;
}

std::optional<Rect> ClockSession::drawnClientArea(Window clock, Millis timeout) {
  // Wine may move and size its window after mapping it, and erases the client area to white
  // before the first frame, which a loaded machine draws late.
  std::optional<Rect> previous, drawn;
  pollUntil(
      timeout,
      [&] {
        const auto info = x().info(clock);
        if (!info) return false;
        const Rect& f = info->frame;
        const Program::Frame& n = program_->frame;
        const Rect client{f.x + n.left, f.y + n.top, f.width - n.left - n.right,
                          f.height - n.top - n.bottom};
        if (previous && f == *previous &&
            dialPixels(x().grabScreen(), client) > client.width * client.height / 2)
          drawn = client;
        previous = f;
        return drawn.has_value();
      },
      Millis(50));
  return drawn;
}

std::optional<std::pair<int, int>> ClockSession::buttonCentre(const std::string& title,
                                                              const std::string& label) {
  const auto at = program_->findButton(*this, title, label);
  if (!at) return std::nullopt;
  return std::make_pair(at->x + at->width / 2, at->y + at->height / 2);
}

void startSession(const Program& program, const SessionOptions& options,
                  std::unique_ptr<ClockSession>* session) {
  std::string error;
  *session = ClockSession::start(program, options, &error);
  ASSERT_TRUE(*session) << "could not start " << program.description << ": " << error;
}

void showClock(ClockSession& session, Window* clock, Rect* client) {
  *clock = session.waitForWindow(kClockTitle, kStartTimeout);
  const auto code = session.process().exitCode();
  ASSERT_NE(*clock, 0u) << "expected a window titled \"Waggler\" within " << kStartTimeout.count()
                        << " ms; none appeared"
                        << (code ? " and the program exited with code " + std::to_string(*code)
                                 : std::string())
                        << session.context("clock-window");
  ASSERT_TRUE(session.x().focus(*clock))
      << "could not focus the clock window" << session.context("focus-clock");
  if (client) {
    const auto drawn = session.drawnClientArea(*clock, kStartTimeout);
    ASSERT_TRUE(drawn) << "no dial drawn in the clock window" << session.context("dial");
    *client = *drawn;
    // Every start makes the window at (1, 1), 400 by 400 with Windows' frame, on both programs.
    using namespace nonClient;
    const Rect expected{1 + left, 1 + top, 400 - left - right, 400 - top - bottom};
    EXPECT_TRUE(*client == expected)
        << "expected the client area at " << expected.x << "," << expected.y << " sized "
        << expected.width << "x" << expected.height << ", got " << client->x << "," << client->y
        << " sized " << client->width << "x" << client->height << session.context("placement");
  }
  ASSERT_TRUE(session.process().running())
      << "expected the clock to keep running with its window shown" << session.context("running");
  keepScreenshot(session.x(), "clock-window");
}

void askToQuit(ClockSession& session, Window clock, KeySym key, const std::string& step) {
  ASSERT_TRUE(session.x().focus(clock))
      << "could not focus the clock window" << session.context(step + "-focus-clock");
  session.x().tapKey(key);
  ASSERT_NE(session.waitForWindow(kQuitTitle, kBoxTimeout), 0u)
      << "expected a window titled \"Quit Program\" after the key; none appeared"
      << session.context(step + "-question");
  EXPECT_EQ(session.waitForMessageBox(kQuitTitle, kQuitQuestion, {"Yes", "No"}), "")
      << "the quit question is not \"Really Quit?\" with Yes and No"
      << session.context(step + "-question-content");
  keepScreenshot(session.x(), step + "-question");
}

void focusWindow(ClockSession& session, const std::string& title, const std::string& step) {
  const Window window = session.x().findWindow(title);
  ASSERT_NE(window, 0u) << "the window titled \"" << title << "\" went away"
                        << session.context(step);
  ASSERT_TRUE(session.x().focus(window))
      << "could not focus the window titled \"" << title << "\"" << session.context(step);
}

}  // namespace e2e
