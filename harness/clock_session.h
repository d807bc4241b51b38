// The clock under test: one description per program (how it starts, its window's frame, how
// its box is read and answered), one run of it in its own X server, and the steps every test
// of it takes first.
#pragma once

#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "harness/process.h"
#include "harness/screens.h"
#include "harness/x_display.h"

namespace e2e {

// The clock's window and its quit question, as both programs show them.
constexpr char kClockTitle[] = "Waggler";
constexpr char kQuitTitle[] = "Quit Program";
constexpr char kQuitQuestion[] = "Really Quit?";

class ClockSession;

// One of the two programs made from the one source, as the tests drive it.
struct Program {
  const char* name;         // how GoogleTest and ctest name it: waggler, waggler.exe
  const char* description;  // for messages
  std::string path;         // the program this tree built
  // Its variant that reports GL errors on its output; empty when it has none.
  std::string glCheckingPath;
  // Its window's frame around the client area, as the X screen shows it.
  struct Frame {
    int left, top, right, bottom;
  } frame;
  KeySym noKey;  // answers No in its Yes/No box; Return answers Yes (and OK) in both
  // The command line and environment that start `path`; false, with a reason, when it cannot.
  bool (*prepare)(const std::string& path, std::vector<std::string>* argv, Env* env,
                  std::string* error);
  // Starts what must run before the program, on its X display and under the real clock even
  // when the program's clock is faked (Wine's server); false, with a reason, when it cannot.
  // May be null.
  bool (*startHost)(const std::string& displayName, std::string* error);
  void (*cleanUp)();  // after the program has gone; may be null
  // What its box titled `title` shows against `text` and its `buttons` (without mnemonic
  // marks): empty when everything matches, else what differs.
  std::string (*checkBox)(ClockSession& session, const std::string& title, const std::string& text,
                          const std::vector<std::string>& buttons);
  // Where the button labelled `label` of the box titled `title` is, in screen coordinates.
  std::optional<Rect> (*findButton)(ClockSession& session, const std::string& title,
                                    const std::string& label);
};

extern const Program linuxProgram;     // the Linux program on the stand-in layer
extern const Program windowsExe;       // the .exe under Wine, in the tests' prefix
extern const Program windowsExeAt192;  // the .exe under Wine at 200 %, in a prefix of its own
// How GoogleTest (and so ctest) names a test's program.
void PrintTo(const Program* program, std::ostream* out);

struct SessionOptions {
  std::vector<std::string> xvfbArgs;  // extra server arguments, e.g. {"-extension", "GLX"}
  // The wall clock, as `faketime -f` takes it: "2024-05-06 10:08:00" stands still there,
  // "@2024-05-06 10:08:00" starts there and runs on.
  std::string fixedTime;
  // Instead, a file holding such a time that the program reads again at every clock reading,
  // so a test can set the clock while the program runs (Linux program only).
  std::string timeFile;
  // Another program of the same kind (a Linux variant, an unpacked .exe) in place of `path`.
  std::string program;
  Env env;  // more environment for the program
  // Lines merged into the server's resources with xrdb before the program starts, as a
  // desktop's settings daemon puts them there ("Xft.dpi: 192").
  std::string xResources;
};

// One run of the clock: its own X server, the program started in it, its output in a log among
// the artefacts. Destroying it kills whatever is left, lets the program's description clean up
// and stops the server.
class ClockSession {
 public:
  static std::unique_ptr<ClockSession> start(const Program& program, const SessionOptions& options,
                                             std::string* error);
  ~ClockSession();
  ClockSession(const ClockSession&) = delete;
  ClockSession& operator=(const ClockSession&) = delete;

  const Program& program() const { return *program_; }
  // Whether the program runs as a variant that reports GL errors on its output.
  bool checksGl() const { return checksGl_; }
  XDisplay& x() { return server_->x(); }
  const std::string& displayName() const { return server_->displayName(); }
  Process& process() { return *process_; }
  // The program's output so far, for failure messages.
  std::string log() const { return fileTail(logPath_); }
  // A failure's context: the screenshot of `step` and the program's output.
  std::string context(const std::string& step);

  // Polls for a viewable window with this title while the program runs; 0 after the timeout
  // or as soon as the program has exited.
  Window waitForWindow(const std::string& title, Millis timeout);

  // Waits up to `timeout` for the program to end, noting the titles of the windows mapped
  // meanwhile in `mapped`; stops early once one titled `stopAt` has been mapped. The exit code.
  std::optional<int> waitExitNoting(Millis timeout, std::vector<std::string>* mapped,
                                    const std::string& stopAt = "");

  // The answers of a Yes/No box as a user gives them from the keyboard.
  void answerYes();
  void answerNo();
  // What a message box titled `title` shows, checked by the program's description; empty when
  // it matches. Again until it does or `timeout` passes (a box paints after it is mapped).
  std::string waitForMessageBox(const std::string& title, const std::string& text,
                                const std::vector<std::string>& buttons,
                                Millis timeout = kPaintTimeout);
  // The client area of `clock` once the window stands still at its final place with the dial
  // drawn in it; nothing after `timeout`.
  std::optional<Rect> drawnClientArea(Window clock, Millis timeout);
  // Centre of the button labelled `label` of the box titled `title`, in screen coordinates.
  std::optional<std::pair<int, int>> buttonCentre(const std::string& title,
                                                  const std::string& label);

 private:
  ClockSession() = default;
  const Program* program_ = nullptr;
  bool checksGl_ = false;
  std::string logPath_;
  std::unique_ptr<XServer> server_;
  std::unique_ptr<Process> process_;
  bool fakedTime_ = false;  // started through faketime's wrapper
};

// The steps every test takes first, failing the test when one goes wrong. Starts a session:
void startSession(const Program& program, const SessionOptions& options,
                  std::unique_ptr<ClockSession>* session);
// Waits for the clock's window, titled "Waggler", while the program runs on, and gives it the
// keyboard focus (there is no window manager to do it); with `client`, waits for the dial
// drawn in it too.
void showClock(ClockSession& session, Window* clock, Rect* client = nullptr);
// Presses `key` at the clock and expects the quit question, with its text and buttons; `step`
// names the screenshots of a failure.
void askToQuit(ClockSession& session, Window clock, KeySym key, const std::string& step);
// Gives the keyboard focus to the window titled `title`, which must be there.
void focusWindow(ClockSession& session, const std::string& title, const std::string& step);

}  // namespace e2e
