// The programs as users get them, run from the unpacked packages in a private X server: the
// Debian package's program and the zip's .exe under Wine must show the clock, and the Linux one
// must say nothing and carry the window class its menu entry names.
#include <gtest/gtest.h>

#include <fstream>

#include "harness/e2e.h"

// After GoogleTest: Xlib's macros (None, Bool, Status) would clash with its names.
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

using namespace e2e;

namespace {

std::string startupWmClass(const std::string& desktopFile) {
  std::ifstream in(desktopFile);
  const std::string key = "StartupWMClass=";
  for (std::string line; std::getline(in, line);)
    if (line.rfind(key, 0) == 0) return line.substr(key.size());
  return "";
}

}  // namespace

TEST(DebianPackage, ItsProgramShowsTheClockUnderItsMenuEntrysClassAndSaysNothing) {
  SessionOptions options;
  options.program = WAGGLER_PACKAGE_ROOT "/usr/bin/waggler";
  std::unique_ptr<ClockSession> session;
  ASSERT_NO_FATAL_FAILURE(startSession(linuxProgram, options, &session));
  Window clock;
  Rect client;
  ASSERT_NO_FATAL_FAILURE(showClock(*session, &clock, &client));

  XClassHint hint = {};
  ASSERT_TRUE(XGetClassHint(session->x().raw(), clock, &hint)) << "the window has no class";
  const std::string windowClass = hint.res_class ? hint.res_class : "";
  XFree(hint.res_name);
  XFree(hint.res_class);
  EXPECT_EQ(windowClass, startupWmClass(WAGGLER_PACKAGE_DESKTOP_FILE))
      << "the desktop entry's StartupWMClass should name the window's class";

  session->x().tapKey(XK_F4, {XK_Alt_L});
  EXPECT_EQ(session->process().waitExit(kExitTimeout), 2) << session->context("alt-f4");
  // The session keeps the program's output in this test's log.
  std::ifstream log(artifactPath("program", "log"));
  ASSERT_TRUE(log) << "no log of the program's output";
  EXPECT_EQ(std::string(std::istreambuf_iterator<char>(log), {}), "")
      << "the program users run should write nothing";
}

TEST(WindowsZip, ItsExeShowsTheClockUnderWineAndQuitsWithExitCode2) {
  SessionOptions options;
  options.program = WAGGLER_PACKAGE_EXE;
  std::unique_ptr<ClockSession> session;
  ASSERT_NO_FATAL_FAILURE(startSession(windowsExe, options, &session));
  Window clock;
  Rect client;
  ASSERT_NO_FATAL_FAILURE(showClock(*session, &clock, &client));

  // With the manifest's common controls the box must still read as before.
  ASSERT_NO_FATAL_FAILURE(askToQuit(*session, clock, XK_Return, "question"));
  ASSERT_NO_FATAL_FAILURE(focusWindow(*session, kQuitTitle, "focus-question"));
  session->answerYes();
  EXPECT_EQ(session->process().waitExit(kExitTimeout), 2) << session->context("answered-yes");
}
