// End-to-end harness: a private X server, the program under test in it, input through XTEST
// and the screen read back from the root window. Used by the e2e (Linux program) and wine
// (Windows .exe) tests alike.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

// Xlib's own types, without pulling <X11/Xlib.h> and its macros (None, Status, Bool...) into
// every test.
typedef struct _XDisplay Display;
typedef unsigned long XID;

namespace e2e {

using Clock = std::chrono::steady_clock;
using Millis = std::chrono::milliseconds;
using Env = std::vector<std::pair<std::string, std::string>>;

// --- Processes ------------------------------------------------------------------------------

// A child process in its own process group, so that it and everything it forks (SDL's message
// box, Wine's helpers) can be ended together.
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

// --- The X server ---------------------------------------------------------------------------

// A private Xvfb on a free display number (chosen by the server through -displayfd), screen
// 1024x768x24. Stopped when destroyed.
class XServer {
 public:
  static std::unique_ptr<XServer> start(const std::vector<std::string>& extraArgs,
                                        std::string* error);
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  const std::string& displayName() const { return name_; }  // ":N"

 private:
  XServer() = default;
  std::unique_ptr<Process> process_;
  std::string name_;
};

// --- Pictures -------------------------------------------------------------------------------

struct Rect {
  int x = 0, y = 0, width = 0, height = 0;
};

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb& o) const { return r == o.r && g == o.g && b == o.b; }
  bool operator!=(const Rgb& o) const { return !(*this == o); }
};

class Image {
 public:
  Image() = default;
  Image(int width, int height) : width_(width), height_(height), rgb_(width * height * 3) {}
  int width() const { return width_; }
  int height() const { return height_; }
  bool empty() const { return width_ == 0 || height_ == 0; }
  Rgb at(int x, int y) const {
    const uint8_t* p = &rgb_[(static_cast<size_t>(y) * width_ + x) * 3];
    return {p[0], p[1], p[2]};
  }
  void set(int x, int y, Rgb c) {
    uint8_t* p = &rgb_[(static_cast<size_t>(y) * width_ + x) * 3];
    p[0] = c.r, p[1] = c.g, p[2] = c.b;
  }
  // Number of distinct colours inside `area` (clipped to the picture).
  size_t distinctColours(Rect area) const;
  // Writes an 8-bit RGB PNG; false when the file cannot be written.
  bool savePng(const std::string& path) const;

 private:
  int width_ = 0, height_ = 0;
  std::vector<uint8_t> rgb_;
};

// Pixels of the honeycomb dial's yellow inside `area` (clipped to the picture): a drawn clock
// covers most of its client area with it.
int dialPixels(const Image& screen, Rect area);

// --- The X display ----------------------------------------------------------------------------

using Window = XID;
using KeySym = XID;

struct WindowInfo {
  Window id = 0;
  std::string title;  // WM_NAME, else _NET_WM_NAME
  Rect frame;         // in root coordinates
  bool viewable = false;
};

// A connection to the test's X server with the helpers the tests need. There is no window
// manager: windows are searched in the whole tree and focused explicitly.
class XDisplay {
 public:
  static std::unique_ptr<XDisplay> open(const std::string& name, std::string* error);
  ~XDisplay();
  XDisplay(const XDisplay&) = delete;
  XDisplay& operator=(const XDisplay&) = delete;

  // Every window of the tree (root excluded) that has a title.
  std::vector<WindowInfo> titledWindows();
  // The first viewable window with exactly this title, or 0.
  Window findWindow(const std::string& title);
  // Polls until a viewable window with this title exists; 0 after the timeout.
  Window waitForWindow(const std::string& title, Millis timeout);
  // Polls until no viewable window with this title exists; false after the timeout.
  bool waitForWindowGone(const std::string& title, Millis timeout);
  std::optional<WindowInfo> info(Window window);

  // Titles of the windows mapped since the last call (or since the connection opened), in
  // order; a window gone before its title could be read is reported as "?".
  std::vector<std::string> takeMappedTitles();

  // Raises the window and gives it the keyboard focus; false when it is not viewable.
  bool focus(Window window);
  // Presses the modifiers, taps the key, releases the modifiers (in reverse order).
  void tapKey(KeySym key, const std::vector<KeySym>& modifiers = {});
  void pressKey(KeySym key);
  void releaseKey(KeySym key);
  void moveMouse(int x, int y);
  void click(int x, int y, int button);
  // Right button down at `from`, moved to `to` in `steps` motions, then up.
  void rightDrag(int fromX, int fromY, int toX, int toY, int steps = 10);
  // One wheel notch per count: positive away from the user (button 4), negative towards (5).
  void wheel(int notches);
  // The close request a window manager sends: WM_PROTOCOLS / WM_DELETE_WINDOW.
  void requestClose(Window window);

  // The whole screen, read from the root window (never from a GL buffer).
  Image grabScreen();

  // Where our message box shows `text` on `screen` inside `area`, in its message or (onButton)
  // on a button. Nothing when absent.
  std::optional<Rect> findBoxText(const Image& screen, Rect area, const std::string& text,
                                  bool onButton);

  bool hasExtension(const std::string& name);

  ::Display* raw() { return display_; }
  void sync();

 private:
  XDisplay() = default;
  void drainEvents();
  ::Display* display_ = nullptr;
  Window root_ = 0;
  std::vector<Window> pendingMaps_;
  std::vector<std::string> mappedTitles_;
};

// --- Screenshots of failures ------------------------------------------------------------------

// artifacts/<test>-<step>.png in the build tree, for the running GoogleTest test.
std::string artifactPath(const std::string& step, const std::string& extension);
// Saves the screen of `display` as the artifact of `step`; returns a line for a failure message.
std::string screenshot(XDisplay& display, const std::string& step);
// With WAGGLER_E2E_SCREENSHOTS=1 in the environment, keeps the screen of every step so that a
// passing run can be looked at too.
void keepScreenshot(XDisplay& display, const std::string& step);
// The last `maxBytes` of a text file (a program's log), for failure messages.
std::string fileTail(const std::string& path, size_t maxBytes = 2000);

// --- Wine ---------------------------------------------------------------------------------------

struct WineTools {
  std::string wine, wineboot, wineserver;
};

// The environment every Wine call of the tests gets: the prefix, no debug output, no Mono or
// Gecko installers.
Env wineEnv(const std::string& prefix);

// Makes a prefix with wineboot and sets the X11 driver's Managed to N (without a window manager
// Wine otherwise waits 2 s at every hide). With `fresh`, an existing prefix is removed first;
// without, one that is ready is kept. Serialised by a lock file next to the prefix.
bool prepareWinePrefix(const WineTools& tools, const std::string& prefix, bool fresh,
                       std::string* error);

// Ends every process of the prefix (`wineserver -k`) and waits for the server to go.
void stopWine(const WineTools& tools, const std::string& prefix);

// The tools and prefix this build was configured with.
WineTools configuredWineTools();
std::string configuredWinePrefix();

// --- The clock under test ---------------------------------------------------------------------

// The two programs made from the one source.
enum class Build { kLinux, kWindows };
const char* buildName(Build build);
// How GoogleTest (and so ctest) names a test's build: "waggler" or "waggler.exe".
void PrintTo(Build build, std::ostream* out);

struct SessionOptions {
  std::vector<std::string> xvfbArgs;  // extra server arguments, e.g. {"-extension", "GLX"}
  // The wall clock, as `faketime -f` takes it: "2024-05-06 10:08:00" stands still there,
  // "@2024-05-06 10:08:00" starts there and runs on.
  std::string fixedTime;
  // Instead, a file holding such a time that the program reads again at every clock reading,
  // so a test can set the clock while the program runs (Linux program only).
  std::string timeFile;
  // Another program of the build's kind (a Linux variant, an unpacked .exe); default: the
  // clock this tree built.
  std::string program;
  Env env;  // more environment for the program
};

// One run of the clock: its own X server, the program started in it (the Linux program, or the
// .exe under Wine in the shared prefix), its output in a log among the artefacts. Destroying it
// kills whatever is left, ends Wine's processes of the prefix and stops the server.
class ClockSession {
 public:
  static std::unique_ptr<ClockSession> start(Build build, const SessionOptions& options,
                                             std::string* error);
  ~ClockSession();
  ClockSession(const ClockSession&) = delete;
  ClockSession& operator=(const ClockSession&) = delete;

  Build build() const { return build_; }
  XDisplay& x() { return *display_; }
  Process& process() { return *process_; }
  // The program's output so far, for failure messages.
  std::string log() const { return fileTail(logPath_); }
  // A failure's context: the screenshot of `step` and the program's output.
  std::string context(const std::string& step);

  // Polls for a viewable window with this title while the program runs; 0 after the timeout
  // or as soon as the program has exited.
  Window waitForWindow(const std::string& title, Millis timeout);

  // The answers of a Yes/No box as a user gives them from the keyboard: Return for Yes; for
  // No, Escape in SDL's box and the mnemonic N in the Windows box.
  void answerYes();
  void answerNo();
  // What a message box titled `title` shows, checked against `text` and its buttons `buttons`
  // (without mnemonic marks). Empty when everything matches, else what differs.
  std::string checkMessageBox(const std::string& title, const std::string& text,
                              const std::vector<std::string>& buttons);
  // checkMessageBox again until everything matches or `timeout` passes (a box paints after it is
  // mapped); the last answer.
  std::string waitForMessageBox(const std::string& title, const std::string& text,
                                const std::vector<std::string>& buttons, Millis timeout);
  // The client area of `clock` once the window stands still at its final place with the dial
  // drawn in it; nothing after `timeout`.
  std::optional<Rect> drawnClientArea(Window clock, Millis timeout);
  // Centre of the button labelled `label` of the box titled `title`, in screen coordinates.
  std::optional<std::pair<int, int>> buttonCentre(const std::string& title,
                                                  const std::string& label);

 private:
  ClockSession() = default;
  Build build_ = Build::kLinux;
  std::string logPath_;
  std::unique_ptr<XServer> server_;
  std::unique_ptr<XDisplay> display_;
  std::unique_ptr<Process> process_;
  bool fakedTime_ = false;  // started through faketime's wrapper
};

}  // namespace e2e
