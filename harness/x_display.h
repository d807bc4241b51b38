// The tests' X side: a private Xvfb, and a connection to it that finds windows, sends input
// through XTEST and reads the screen back from the root window.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "harness/process.h"
#include "harness/screens.h"

// Xlib's own types, without pulling <X11/Xlib.h> and its macros (None, Status, Bool...) into
// every test.
typedef struct _XDisplay Display;
typedef unsigned long XID;

namespace e2e {

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
  // Polls for a viewable window with this title; 0 after the timeout, or as soon as `program`,
  // when given, has exited.
  Window waitForWindow(const std::string& title, Millis timeout, Process* program = nullptr);
  // Polls until no viewable window with this title exists; false after the timeout.
  bool waitForWindowGone(const std::string& title, Millis timeout);
  std::optional<WindowInfo> info(Window window);
  // The area of the window's one viewable child, in root coordinates: Wine draws a GL client
  // area in a child window of its own. Nothing when it has none, or several.
  std::optional<Rect> childArea(Window window);

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
  Picture grabScreen();
  // Grabs the screen until `shows(screen)` holds, `timeout` passes or `program`, when given,
  // has exited; the last screen grabbed.
  template <class Shows>
  Picture waitForScreen(Millis timeout, Shows shows, Process* program = nullptr) {
    Picture screen;
    pollUntil(
        timeout,
        [&] {
          screen = grabScreen();
          return shows(screen) || (program && !program->running());
        },
        Millis(100));
    return screen;
  }

  // Where our message box shows `text` on `screen` inside `area`, in its message or (onButton)
  // on a button. Nothing when absent.
  std::optional<Rect> findBoxText(const Picture& screen, Rect area, const std::string& text,
                                  bool onButton);

  bool hasExtension(const std::string& name);

  ::Display* raw() { return display_; }

 private:
  XDisplay() = default;
  void drainEvents();
  void button(int number, bool down);
  ::Display* display_ = nullptr;
  Window root_ = 0;
  std::vector<std::string> mappedTitles_;
};

// A private Xvfb on a free display number (chosen by the server through -displayfd), screen
// 1024x768x24, and the tests' connection to it. Destroying it closes the connection and stops
// the server, letting it clean up.
class XServer {
 public:
  static std::unique_ptr<XServer> start(const std::vector<std::string>& extraArgs,
                                        std::string* error);
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;

  const std::string& displayName() const { return displayName_; }  // ":N"
  XDisplay& x() { return *display_; }

 private:
  XServer() = default;
  std::unique_ptr<Process> process_;
  std::string displayName_;
  std::unique_ptr<XDisplay> display_;
};

// Saves the screen of `display` as the artifact of `step`; returns a line for a failure message.
std::string screenshot(XDisplay& display, const std::string& step);
// With WAGGLER_E2E_SCREENSHOTS=1 in the environment, keeps the screen of every step so that a
// passing run can be looked at too.
void keepScreenshot(XDisplay& display, const std::string& step);
}  // namespace e2e
