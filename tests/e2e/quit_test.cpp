// The clock's window, the quit question and the ways to close it, for the Linux program and for
// the .exe under Wine alike.
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <thread>

#include "tests/e2e/harness.h"

using namespace e2e;

namespace {

// Generous: two cores, software GL, and the first .exe start in a fresh prefix is slow.
constexpr Millis kStartTimeout{60000};
constexpr Millis kBoxTimeout{15000};
constexpr Millis kExitTimeout{20000};
// Long enough for a leaked key to have raised a second question.
constexpr Millis kQuietPeriod{700};

const char kClockTitle[] = "Waggler";
const char kBoxTitle[] = "Quit Program";
const char kQuestion[] = "Really Quit?";

std::string listed(const std::vector<std::string>& titles) {
  std::string s;
  for (const auto& t : titles) s += (s.empty() ? "\"" : ", \"") + t + "\"";
  return s.empty() ? "none" : s;
}

class ClockProgram : public ::testing::TestWithParam<Build> {
 protected:
  void SetUp() override {
    std::string error;
    session_ = ClockSession::start(GetParam(), options(), &error);
    ASSERT_TRUE(session_) << "could not start " << buildName(GetParam()) << ": " << error;
  }

  void TearDown() override { session_.reset(); }
  virtual SessionOptions options() { return {}; }

  XDisplay& x() { return session_->x(); }

  // Waits for the clock's window and gives it the keyboard focus (there is no window manager
  // to do it).
  void showClock(Window* clock) {
    *clock = session_->waitForWindow(kClockTitle, kStartTimeout);
    auto code = session_->process().exitCode();
    ASSERT_NE(*clock, 0u) << "expected a window titled \"Waggler\" within " << kStartTimeout.count()
                          << " ms; none appeared"
                          << (code ? " and the program exited with code " + std::to_string(*code)
                                   : std::string())
                          << session_->context("clock-window");
    ASSERT_TRUE(x().focus(*clock))
        << "could not focus the clock window" << session_->context("focus-clock");
    keepScreenshot(x(), "clock-window");
  }

  // Presses `key` at the clock and expects the quit question, with its text and buttons.
  void askToQuit(Window clock, KeySym key, const std::string& step) {
    ASSERT_TRUE(x().focus(clock)) << "could not focus the clock window"
                                  << session_->context(step + "-focus-clock");
    x().tapKey(key);
    ASSERT_NE(session_->waitForWindow(kBoxTitle, kBoxTimeout), 0u)
        << "expected a window titled \"Quit Program\" after the key; none appeared"
        << session_->context(step + "-question");
    const std::string problems =
        session_->waitForMessageBox(kBoxTitle, kQuestion, {"Yes", "No"}, Millis(5000));
    EXPECT_EQ(problems, "") << "the quit question is not \"Really Quit?\" with Yes and No"
                            << session_->context(step + "-question-content");
    keepScreenshot(x(), step + "-question");
  }

  void focusBox(const std::string& step) {
    Window box = x().findWindow(kBoxTitle);
    ASSERT_NE(box, 0u) << "the question went away before it was answered"
                       << session_->context(step);
    ASSERT_TRUE(x().focus(box)) << "could not focus the question" << session_->context(step);
  }

  // After No: the question has gone, the clock runs on with its window, and the key that
  // answered does not come back to it as a new question.
  void expectStillRunning(const std::string& step) {
    ASSERT_TRUE(x().waitForWindowGone(kBoxTitle, kBoxTimeout))
        << "expected the question to close after No; it is still shown"
        << session_->context(step + "-question-stays");
    x().takeMappedTitles();
    const auto until = Clock::now() + kQuietPeriod;
    while (Clock::now() < until) {
      auto code = session_->process().waitExit(Millis(50));
      ASSERT_FALSE(code) << "expected the clock to run on after No; it exited with code " << *code
                         << session_->context(step + "-exited");
    }
    auto mapped = x().takeMappedTitles();
    EXPECT_EQ(std::count(mapped.begin(), mapped.end(), kBoxTitle), 0)
        << "expected no new question after answering No; windows shown: " << listed(mapped)
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
    ASSERT_NO_FATAL_FAILURE(showClock(&clock));
    ASSERT_NO_FATAL_FAILURE(askToQuit(clock, key, "first"));
    ASSERT_NO_FATAL_FAILURE(focusBox("focus-question"));
    session_->answerNo();
    ASSERT_NO_FATAL_FAILURE(expectStillRunning("answered-no"));
    // It still listens: the same key asks again, and this time Yes ends it.
    ASSERT_NO_FATAL_FAILURE(askToQuit(clock, key, "second"));
    ASSERT_NO_FATAL_FAILURE(focusBox("focus-second-question"));
    session_->answerYes();
    expectExitCode2("answered-yes");
  }

  void answerYes(KeySym key) {
    Window clock = 0;
    ASSERT_NO_FATAL_FAILURE(showClock(&clock));
    ASSERT_NO_FATAL_FAILURE(askToQuit(clock, key, "question"));
    ASSERT_NO_FATAL_FAILURE(focusBox("focus-question"));
    session_->answerYes();
    expectExitCode2("answered-yes");
  }

  // Waits for the exit after a close request; the question must not have been asked.
  void expectClosedWithoutQuestion(const std::string& step) {
    std::vector<std::string> mapped;
    std::optional<int> code;
    const auto deadline = Clock::now() + kExitTimeout;
    while (!(code = session_->process().waitExit(Millis(50))) && Clock::now() < deadline) {
      auto more = x().takeMappedTitles();
      mapped.insert(mapped.end(), more.begin(), more.end());
      // A question blocks the exit: no need to wait out the timeout.
      if (std::count(mapped.begin(), mapped.end(), kBoxTitle)) break;
    }
    auto more = x().takeMappedTitles();
    mapped.insert(mapped.end(), more.begin(), more.end());
    ASSERT_EQ(std::count(mapped.begin(), mapped.end(), kBoxTitle), 0)
        << "expected no question when the window is closed; windows shown: " << listed(mapped)
        << session_->context(step + "-asked");
    ASSERT_TRUE(code) << "expected the program to end within " << kExitTimeout.count()
                      << " ms of the close; it is still running"
                      << session_->context(step + "-still-running");
    EXPECT_EQ(*code, 2) << "expected exit code 2, got " << *code << session_->context(step);
  }

  std::unique_ptr<ClockSession> session_;
};

TEST_P(ClockProgram, WindowTitledWagglerAppears) {
  Window clock = 0;
  ASSERT_NO_FATAL_FAILURE(showClock(&clock));
  EXPECT_TRUE(session_->process().running())
      << "expected the clock to keep running with its window shown" << session_->context("running");
}

TEST_P(ClockProgram, WindowShowsAPicture) {
  Window clock = 0;
  ASSERT_NO_FATAL_FAILURE(showClock(&clock));
  auto info = x().info(clock);
  ASSERT_TRUE(info) << "the clock window went away" << session_->context("window-gone");
  // Inside the frame and caption that Wine draws itself; a drawn dial has hundreds of colours,
  // an empty or black window one or two.
  const Rect inner{info->frame.x + 30, info->frame.y + 40, info->frame.width - 60,
                   info->frame.height - 70};
  constexpr size_t kFewestColours = 16;
  size_t colours = 0;
  const auto deadline = Clock::now() + Millis(15000);
  while ((colours = x().grabScreen().distinctColours(inner)) < kFewestColours &&
         Clock::now() < deadline)
    std::this_thread::sleep_for(Millis(100));
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
  ASSERT_NO_FATAL_FAILURE(showClock(&clock));
  ASSERT_NO_FATAL_FAILURE(askToQuit(clock, XK_Escape, "question"));
  auto no = session_->buttonCentre(kBoxTitle, "No");
  ASSERT_TRUE(no) << "could not find the button No on the question" << session_->context("find-no");
  x().click(no->first, no->second, 1);
  ASSERT_NO_FATAL_FAILURE(expectStillRunning("clicked-no"));
}

TEST_P(ClockProgram, AltF4EndsWithExitCode2WithoutAsking) {
  Window clock = 0;
  ASSERT_NO_FATAL_FAILURE(showClock(&clock));
  x().takeMappedTitles();
  x().tapKey(XK_F4, {XK_Alt_L});
  expectClosedWithoutQuestion("alt-f4");
}

TEST_P(ClockProgram, CloseRequestEndsWithExitCode2WithoutAsking) {
  Window clock = 0;
  ASSERT_NO_FATAL_FAILURE(showClock(&clock));
  x().takeMappedTitles();
  x().requestClose(clock);
  expectClosedWithoutQuestion("close-request");
}

// The keys of a Windows Yes/No box, acting on press: N, Tab or an arrow then Return or Space
// answer No; Y answers Yes.
TEST_P(ClockProgram, TheQuestionAnswersTheKeysOfAWindowsYesNoBox) {
  Window clock = 0;
  ASSERT_NO_FATAL_FAILURE(showClock(&clock));
  const std::vector<std::vector<KeySym>> noKeys = {
      {XK_n}, {XK_Tab, XK_Return}, {XK_Right, XK_space}, {XK_Tab, XK_Tab, XK_Left, XK_Return}};
  for (size_t i = 0; i < noKeys.size(); ++i) {
    const std::string step = "keys-" + std::to_string(i);
    ASSERT_NO_FATAL_FAILURE(askToQuit(clock, XK_Escape, step));
    ASSERT_NO_FATAL_FAILURE(focusBox(step + "-focus"));
    for (KeySym key : noKeys[i]) x().tapKey(key);
    ASSERT_NO_FATAL_FAILURE(expectStillRunning(step + "-no"));
  }
  ASSERT_NO_FATAL_FAILURE(askToQuit(clock, XK_Escape, "keys-y"));
  ASSERT_NO_FATAL_FAILURE(focusBox("keys-y-focus"));
  x().tapKey(XK_y);
  expectExitCode2("keys-y");
}

// One press held gives one question: repeats neither answer the box nor ask again, and a key
// held as the box goes does not ask again either.
TEST_P(ClockProgram, AHeldKeyAsksOnce) {
  if (GetParam() == Build::kWindows) GTEST_SKIP() << "Wine's box answers a held key's repeats";
  Window clock = 0;
  ASSERT_NO_FATAL_FAILURE(showClock(&clock));
  x().takeMappedTitles();
  x().pressKey(XK_Escape);
  ASSERT_NE(session_->waitForWindow(kBoxTitle, kBoxTimeout), 0u) << session_->context("held");
  std::this_thread::sleep_for(Millis(1500));
  // Let go at the clock, unseen by the box: Escape must still answer the box afterwards.
  x().focus(clock);
  x().releaseKey(XK_Escape);
  std::this_thread::sleep_for(kQuietPeriod);
  auto mapped = x().takeMappedTitles();
  EXPECT_EQ(std::count(mapped.begin(), mapped.end(), kBoxTitle), 1)
      << "windows shown: " << listed(mapped) << session_->context("held-escape");
  ASSERT_NE(x().findWindow(kBoxTitle), 0u)
      << "a held key answered the question" << session_->context("held-answered");
  ASSERT_NO_FATAL_FAILURE(focusBox("held-focus"));
  const KeySym no = GetParam() == Build::kLinux ? XK_Escape : XK_n;
  x().pressKey(no);
  ASSERT_NO_FATAL_FAILURE(expectStillRunning("held-no"));
  std::this_thread::sleep_for(Millis(1000));
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
  ASSERT_NO_FATAL_FAILURE(showClock(&clock));
  const size_t threads = threadCount(session_->process().pid());
  for (int i = 0; i < 10; ++i) {
    const std::string step = "ask-" + std::to_string(i);
    ASSERT_NO_FATAL_FAILURE(askToQuit(clock, i % 2 ? XK_Return : XK_Escape, step));
    EXPECT_EQ(threadCount(session_->process().pid()), threads) << step;
    ASSERT_NO_FATAL_FAILURE(focusBox(step + "-focus"));
    session_->answerNo();
    ASSERT_NO_FATAL_FAILURE(expectStillRunning(step + "-no"));
  }
  ASSERT_NO_FATAL_FAILURE(askToQuit(clock, XK_Escape, "last"));
  ASSERT_NO_FATAL_FAILURE(focusBox("last-focus"));
  session_->answerYes();
  expectExitCode2("last-yes");
}

INSTANTIATE_TEST_SUITE_P(LinuxProgram, ThreadCheckedClockProgram, ::testing::Values(Build::kLinux));
#endif

INSTANTIATE_TEST_SUITE_P(LinuxProgram, ClockProgram, ::testing::Values(Build::kLinux));
INSTANTIATE_TEST_SUITE_P(WindowsExe, ClockProgram, ::testing::Values(Build::kWindows));

// Without GLX no GL context can be made: the program must end with code 0 and never show its
// window.
TEST(LinuxProgramWithoutGlx, ExitsWithCode0AndNeverShowsItsWindow) {
  SessionOptions options;
  options.xvfbArgs = {"-extension", "GLX"};
  std::string error;
  auto session = ClockSession::start(Build::kLinux, options, &error);
  ASSERT_TRUE(session) << "could not start the Linux program: " << error;
  ASSERT_FALSE(session->x().hasExtension("GLX"))
      << "the X server was started without GLX but reports it";

  std::vector<std::string> mapped;
  bool seen = false;
  std::optional<int> code;
  const auto deadline = Clock::now() + kExitTimeout;
  while (!(code = session->process().waitExit(Millis(25))) && Clock::now() < deadline) {
    auto more = session->x().takeMappedTitles();
    mapped.insert(mapped.end(), more.begin(), more.end());
    seen = seen || session->x().findWindow(kClockTitle) != 0;
  }
  auto more = session->x().takeMappedTitles();
  mapped.insert(mapped.end(), more.begin(), more.end());
  ASSERT_TRUE(code) << "expected the program to end by itself without GLX; it is still running"
                    << session->context("still-running");
  EXPECT_EQ(*code, 0) << "expected exit code 0 without GLX, got " << *code
                      << session->context("exit-code");
  EXPECT_FALSE(seen || std::count(mapped.begin(), mapped.end(), kClockTitle) > 0)
      << "expected no \"Waggler\" window without GLX; windows shown: " << listed(mapped)
      << session->context("window-shown");
}

}  // namespace
