// The clock's window, the quit question and the ways to close it, for the Linux program and for
// the .exe under Wine alike.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>

#include "harness/e2e.h"

using namespace e2e;

namespace {

class ClockProgram : public ::testing::TestWithParam<const Program*> {
 protected:
  void SetUp() override { startSession(*GetParam(), options(), &session_); }

  void TearDown() override { session_.reset(); }
  virtual SessionOptions options() { return {}; }

  XDisplay& x() { return session_->x(); }

  // After No: the question has gone, the clock runs on with its window, and the key that
  // answered does not come back to it as a new question.
  void expectStillRunning(const std::string& step) {
    ASSERT_TRUE(x().waitForWindowGone(kQuitTitle, kBoxTimeout))
        << "expected the question to close after No; it is still shown"
        << session_->context(step + "-question-stays");
    std::vector<std::string> mapped;
    x().takeMappedTitles();
    const auto code = session_->waitExitNoting(kQuietPeriod, &mapped, kQuitTitle);
    ASSERT_FALSE(code) << "expected the clock to run on after No; it exited with code " << *code
                       << session_->context(step + "-exited");
    EXPECT_EQ(std::count(mapped.begin(), mapped.end(), kQuitTitle), 0)
        << "expected no new question after answering No; windows shown: " << joined(mapped)
        << session_->context(step + "-asked-again");
    EXPECT_NE(x().findWindow(kClockTitle), 0u)
        << "expected the clock window to stay after No; it is gone"
        << session_->context(step + "-clock-window");
  }

  // After Yes or a close: the process ends with code 2 and its window goes.
  void expectExitCode2(const std::string& step) {
    auto code = session_->process().waitExit(kExitTimeout);
    ASSERT_TRUE(code) << "expected the program to end within " << kExitTimeout.count()
                      << " ms; it is still running" << session_->context(step + "-still-running");
    EXPECT_EQ(*code, 2) << "expected exit code 2, got " << *code << session_->context(step);
    EXPECT_EQ(x().findWindow(kClockTitle), 0u)
        << "expected the clock window to be gone after the exit" << session_->context(step);
  }

  void answerNoThenYes(KeySym key) {
    Window clock = 0;
    ASSERT_NO_FATAL_FAILURE(showClock(*session_, &clock));
    ASSERT_NO_FATAL_FAILURE(askToQuit(*session_, clock, key, "first"));
    ASSERT_NO_FATAL_FAILURE(focusWindow(*session_, kQuitTitle, "focus-question"));
    session_->answerNo();
    ASSERT_NO_FATAL_FAILURE(expectStillRunning("answered-no"));
    // It still listens: the same key asks again, and this time Yes ends it.
    ASSERT_NO_FATAL_FAILURE(askToQuit(*session_, clock, key, "second"));
    ASSERT_NO_FATAL_FAILURE(focusWindow(*session_, kQuitTitle, "focus-second-question"));
    session_->answerYes();
    expectExitCode2("answered-yes");
  }

  void answerYes(KeySym key) {
    Window clock = 0;
    ASSERT_NO_FATAL_FAILURE(showClock(*session_, &clock));
    ASSERT_NO_FATAL_FAILURE(askToQuit(*session_, clock, key, "question"));
    ASSERT_NO_FATAL_FAILURE(focusWindow(*session_, kQuitTitle, "focus-question"));
    session_->answerYes();
    expectExitCode2("answered-yes");
  }

  // Waits for the exit after a close request; the question must not have been asked.
  void expectClosedWithoutQuestion(const std::string& step) {
    std::vector<std::string> mapped;
    // A question blocks the exit: no need to wait out the timeout.
    const auto code = session_->waitExitNoting(kExitTimeout, &mapped, kQuitTitle);
    ASSERT_EQ(std::count(mapped.begin(), mapped.end(), kQuitTitle), 0)
        << "expected no question when the window is closed; windows shown: " << joined(mapped)
        << session_->context(step + "-asked");
    ASSERT_TRUE(code) << "expected the program to end within " << kExitTimeout.count()
                      << " ms of the close; it is still running"
                      << session_->context(step + "-still-running");
    EXPECT_EQ(*code, 2) << "expected exit code 2, got " << *code << session_->context(step);
  }

  std::unique_ptr<ClockSession> session_;
};

TEST_P(ClockProgram, WindowShowsAPicture) {
  Window clock = 0;
  ASSERT_NO_FATAL_FAILURE(showClock(*session_, &clock));
  auto info = x().info(clock);
  ASSERT_TRUE(info) << "the clock window went away" << session_->context("window-gone");
  // Inside the frame and caption that Wine draws itself; a drawn dial has hundreds of colours,
  // an empty or black window one or two.
  const Rect inner{info->frame.x + 30, info->frame.y + 40, info->frame.width - 60,
                   info->frame.height - 70};
  constexpr size_t kFewestColours = 16;
  size_t colours = 0;
  pollUntil(
      kShowTimeout,
      [&] { return (colours = distinctColours(x().grabScreen(), inner)) >= kFewestColours; },
      Millis(100));
  EXPECT_GE(colours, kFewestColours)
      << "expected the window to show the clock, with at least " << kFewestColours
      << " colours; it shows " << colours << session_->context("picture");
  keepScreenshot(x(), "picture");
}

TEST_P(ClockProgram, EscapeAsksAndNoKeepsTheClockRunning) {
  answerNoThenYes(XK_Escape);
}

TEST_P(ClockProgram, ReturnAsksAndNoKeepsTheClockRunning) {
  answerNoThenYes(XK_Return);
}

TEST_P(ClockProgram, EscapeAsksAndYesEndsWithExitCode2) {
  answerYes(XK_Escape);
}

TEST_P(ClockProgram, ReturnAsksAndYesEndsWithExitCode2) {
  answerYes(XK_Return);
}

TEST_P(ClockProgram, ClickingNoKeepsTheClockRunning) {
  Window clock = 0;
  ASSERT_NO_FATAL_FAILURE(showClock(*session_, &clock));
  ASSERT_NO_FATAL_FAILURE(askToQuit(*session_, clock, XK_Escape, "question"));
  auto no = session_->buttonCentre(kQuitTitle, "No");
  ASSERT_TRUE(no) << "could not find the button No on the question" << session_->context("find-no");
  x().click(no->first, no->second, 1);
  ASSERT_NO_FATAL_FAILURE(expectStillRunning("clicked-no"));
}

TEST_P(ClockProgram, AltF4EndsWithExitCode2WithoutAsking) {
  Window clock = 0;
  ASSERT_NO_FATAL_FAILURE(showClock(*session_, &clock));
  x().takeMappedTitles();
  x().tapKey(XK_F4, {XK_Alt_L});
  expectClosedWithoutQuestion("alt-f4");
}

TEST_P(ClockProgram, CloseRequestEndsWithExitCode2WithoutAsking) {
  Window clock = 0;
  ASSERT_NO_FATAL_FAILURE(showClock(*session_, &clock));
  x().takeMappedTitles();
  x().requestClose(clock);
  expectClosedWithoutQuestion("close-request");
}

// The keys of a Windows Yes/No box, acting on press: N, Tab or an arrow then Return or Space
// answer No; Y answers Yes.
TEST_P(ClockProgram, TheQuestionAnswersTheKeysOfAWindowsYesNoBox) {
  Window clock = 0;
  ASSERT_NO_FATAL_FAILURE(showClock(*session_, &clock));
  const std::vector<std::vector<KeySym>> noKeys = {
      {XK_n}, {XK_Tab, XK_Return}, {XK_Right, XK_space}, {XK_Tab, XK_Tab, XK_Left, XK_Return}};
  for (size_t i = 0; i < noKeys.size(); ++i) {
    const std::string step = "keys-" + std::to_string(i);
    ASSERT_NO_FATAL_FAILURE(askToQuit(*session_, clock, XK_Escape, step));
    ASSERT_NO_FATAL_FAILURE(focusWindow(*session_, kQuitTitle, step + "-focus"));
    for (KeySym key : noKeys[i]) x().tapKey(key);
    ASSERT_NO_FATAL_FAILURE(expectStillRunning(step + "-no"));
  }
  ASSERT_NO_FATAL_FAILURE(askToQuit(*session_, clock, XK_Escape, "keys-y"));
  ASSERT_NO_FATAL_FAILURE(focusWindow(*session_, kQuitTitle, "keys-y-focus"));
  x().tapKey(XK_y);
  expectExitCode2("keys-y");
}

// Wine's box answers a held key's repeats, so these hold for the Linux program's box alone.
class HeldKeyClockProgram : public ClockProgram {};

// One press held gives one question: repeats neither answer the box nor ask again, and a key
// held as the box goes does not ask again either.
TEST_P(HeldKeyClockProgram, AHeldKeyAsksOnce) {
  Window clock = 0;
  ASSERT_NO_FATAL_FAILURE(showClock(*session_, &clock));
  x().takeMappedTitles();
  x().pressKey(XK_Escape);
  ASSERT_NE(session_->waitForWindow(kQuitTitle, kBoxTimeout), 0u) << session_->context("held");
  sleepFor(Millis(1500));
  // Let go at the clock, unseen by the box: Escape must still answer the box afterwards.
  x().focus(clock);
  x().releaseKey(XK_Escape);
  sleepFor(kQuietPeriod);
  auto mapped = x().takeMappedTitles();
  EXPECT_EQ(std::count(mapped.begin(), mapped.end(), kQuitTitle), 1)
      << "windows shown: " << joined(mapped) << session_->context("held-escape");
  ASSERT_NE(x().findWindow(kQuitTitle), 0u)
      << "a held key answered the question" << session_->context("held-answered");
  ASSERT_NO_FATAL_FAILURE(focusWindow(*session_, kQuitTitle, "held-focus"));
  const KeySym no = GetParam()->noKey;
  x().pressKey(no);
  ASSERT_NO_FATAL_FAILURE(expectStillRunning("held-no"));
  sleepFor(Millis(1000));
  x().releaseKey(no);
  ASSERT_NO_FATAL_FAILURE(expectStillRunning("released-no"));
}

#ifdef WAGGLER_E2E_TSAN_PROGRAM
size_t threadCount(pid_t pid) {
  const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
  std::error_code error;
  return size_t(std::distance(std::filesystem::directory_iterator(tasks, error),
                              std::filesystem::directory_iterator()));
}

// The program under ThreadSanitizer: a report, here or at exit, ends it with another code.
class ThreadCheckedClockProgram : public ClockProgram {
 protected:
  SessionOptions options() override {
    SessionOptions o;
    o.program = WAGGLER_E2E_TSAN_PROGRAM;
    o.env = {{"TSAN_OPTIONS", "halt_on_error=1:second_deadlock_stack=1"}};
    return o;
  }
};

// The question is asked on the clock's one GUI thread: no thread starts while it is up, and
// ten questions answered leave nothing for ThreadSanitizer to report.
TEST_P(ThreadCheckedClockProgram, TenQuestionsStartNoThreadAndRaceNothing) {
  Window clock = 0;
  ASSERT_NO_FATAL_FAILURE(showClock(*session_, &clock));
  const size_t threads = threadCount(session_->process().pid());
  for (int i = 0; i < 10; ++i) {
    const std::string step = "ask-" + std::to_string(i);
    ASSERT_NO_FATAL_FAILURE(askToQuit(*session_, clock, i % 2 ? XK_Return : XK_Escape, step));
    EXPECT_EQ(threadCount(session_->process().pid()), threads) << step;
    ASSERT_NO_FATAL_FAILURE(focusWindow(*session_, kQuitTitle, step + "-focus"));
    session_->answerNo();
    ASSERT_NO_FATAL_FAILURE(expectStillRunning(step + "-no"));
  }
  ASSERT_NO_FATAL_FAILURE(askToQuit(*session_, clock, XK_Escape, "last"));
  ASSERT_NO_FATAL_FAILURE(focusWindow(*session_, kQuitTitle, "last-focus"));
  session_->answerYes();
  expectExitCode2("last-yes");
}

INSTANTIATE_TEST_SUITE_P(LinuxProgram, ThreadCheckedClockProgram, ::testing::Values(&linuxProgram));
#endif

INSTANTIATE_TEST_SUITE_P(LinuxProgram, ClockProgram, ::testing::Values(&linuxProgram));
INSTANTIATE_TEST_SUITE_P(WindowsExe, ClockProgram, ::testing::Values(&windowsExe));
INSTANTIATE_TEST_SUITE_P(LinuxProgram, HeldKeyClockProgram, ::testing::Values(&linuxProgram));

// Without GLX no GL context can be made: the program says so in a box (the Linux program on
// its output too), never shows its window, and ends with code 1 once the box is answered.
struct WithoutOpenGl {
  const Program* program;
  // The box's words, and the line on the program's output (empty: nothing checked), for the
  // display the program was started on.
  std::string (*text)(const std::string& display);
  std::string (*outputLine)(const std::string& display);
  friend void PrintTo(const WithoutOpenGl& p, std::ostream* out) { *out << p.program->name; }
};

class NoOpenGlStart : public ::testing::TestWithParam<WithoutOpenGl> {};

TEST_P(NoOpenGlStart, SaysSoInABoxAndExitsWithCode1) {
  const WithoutOpenGl& p = GetParam();
  const std::string caption = "Waggler could not start";
  SessionOptions options;
  options.xvfbArgs = {"-extension", "GLX"};
  std::unique_ptr<ClockSession> session;
  ASSERT_NO_FATAL_FAILURE(startSession(*p.program, options, &session));
  ASSERT_FALSE(session->x().hasExtension("GLX"))
      << "the X server was started without GLX but reports it";
  ASSERT_NE(session->waitForWindow(caption, kBoxTimeout), 0u)
      << "expected a box titled \"" << caption << "\"" << session->context("box");
  const std::string display = session->displayName();
  EXPECT_EQ(session->waitForMessageBox(caption, p.text(display), {"OK"}), "")
      << session->context("box-content");
  ASSERT_NO_FATAL_FAILURE(focusWindow(*session, caption, "focus-box"));
  session->answerYes();  // Return answers OK
  std::vector<std::string> mapped;
  const auto code = session->waitExitNoting(kExitTimeout, &mapped);
  ASSERT_TRUE(code) << "expected the program to end once the box is answered; it still runs"
                    << session->context("still-running");
  EXPECT_EQ(*code, 1) << "expected exit code 1 without GLX, got " << *code
                      << session->context("exit-code");
  EXPECT_EQ(std::count(mapped.begin(), mapped.end(), kClockTitle), 0)
      << "expected no \"Waggler\" window without GLX; windows shown: " << joined(mapped)
      << session->context("window-shown");
  const std::string line = p.outputLine(display);
  if (!line.empty()) {
    EXPECT_NE(session->log().find(line), std::string::npos)
        << "expected the line \"" << line << "\" on the program's output, got:\n"
        << session->log();
  }
}

INSTANTIATE_TEST_SUITE_P(
    LinuxProgram, NoOpenGlStart,
    ::testing::Values(WithoutOpenGl{
        &linuxProgram,
        [](const std::string& display) {
          return "Waggler could not open its window: there is no OpenGL on display " + display +
                 ".";
        },
        [](const std::string& display) {
          return "waggler: could not open its window: there is no OpenGL on display " + display +
                 ". Check it with glxinfo -B (Debian package mesa-utils).";
        }}));
INSTANTIATE_TEST_SUITE_P(
    WindowsExe, NoOpenGlStart,
    ::testing::Values(WithoutOpenGl{
        &windowsExe,
        [](const std::string&) -> std::string {
          return "Waggler could not open its window: the clock needs OpenGL, and Windows gave it "
                 "no "
                 "OpenGL pixel format or context. Check that a graphics driver is installed.";
        },
        [](const std::string&) { return std::string(); }}));

}  // namespace
