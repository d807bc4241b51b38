// Dialog-style keys and the modal message box, with stand-in boxes in place of our X11 one.
#include <gtest/gtest.h>

#include <filesystem>
#include <thread>

#include "platform/linux/message_box.h"
#include "tests/unit/platform_support.h"

namespace {

using platformtest::countReceived;
using platformtest::received;
using platformtest::ticksReceived;

MSG keyMessage(HWND window, UINT message, WPARAM key) {
  MSG result = {};
  result.hwnd = window;
  result.message = message;
  result.wParam = key;
  return result;
}

class PlatformDialog : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platformtest::dummyVideo);
    window = platformtest::makeShownWindow();
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override {
    DestroyWindow(window);
    platform::boxPresenter = savedPresenter;
  }

  // The WM_COMMAND identifiers the window was sent.
  std::vector<WORD> commands() {
    std::vector<WORD> ids;
    for (const MSG& entry : received())
      if (entry.message == WM_COMMAND) ids.push_back(LOWORD(entry.wParam));
    return ids;
  }

  HWND window = nullptr;
  platform::BoxPresenter savedPresenter = platform::boxPresenter;
};

TEST_F(PlatformDialog, ReturnAndEscapeBecomeOkAndCancelCommandsAndNavigationKeysNoCommand) {
  for (WPARAM key : {VK_RETURN, VK_TAB, VK_LEFT, VK_UP, VK_RIGHT, VK_DOWN, VK_ESCAPE}) {
    MSG press = keyMessage(window, WM_KEYDOWN, key);
    EXPECT_TRUE(IsDialogMessageA(window, &press)) << "key " << key;
  }
  EXPECT_EQ(commands(), (std::vector<WORD>{IDOK, IDCANCEL}));
  EXPECT_EQ(received().size(), 2u) << "nothing but the two commands";
}

TEST_F(PlatformDialog, EverythingElseIsLeftToTheNormalDispatch) {
  const struct {
    HWND dialog, to;
    UINT message;
    WPARAM key;
  } others[] = {{window, window, WM_KEYDOWN, 'R'},       {window, window, WM_KEYUP, VK_RETURN},
                {window, window, WM_KEYUP, VK_ESCAPE},   {window, window, WM_SYSKEYDOWN, VK_F4},
                {window, window, WM_TIMER, 1},           {window, nullptr, WM_KEYDOWN, VK_RETURN},
                {nullptr, window, WM_KEYDOWN, VK_RETURN}};
  for (const auto& other : others) {
    MSG message = keyMessage(other.to, other.message, other.key);
    EXPECT_FALSE(IsDialogMessageA(other.dialog, &message)) << other.message << " " << other.key;
  }
  EXPECT_TRUE(received().empty());
}

// What the stand-in box saw, and how it behaves.
int boxesShown = 0;
platform::BoxRequest lastRequest;
HWND boxWindow = nullptr;

size_t threadCount() {
  return static_cast<size_t>(std::distance(std::filesystem::directory_iterator("/proc/self/task"),
                                           std::filesystem::directory_iterator()));
}

// Stays up for a few ticks; meanwhile a key is pressed and released and the mouse moves on the
// main window, as if the user typed at the box while the pointer was over the clock. It notes
// whether it is ever asked from another thread, or while another thread runs.
struct SlowBoxAnsweringYes : platform::Box {
  bool answered(int* answer) override {
    offThread = offThread || std::this_thread::get_id() != guiThread || threadCount() != threads;
    if (ticksReceived() >= 2 && !typed) {
      typed = true;
      platformtest::pushKey(boxWindow, SDL_KEYDOWN, SDLK_r);
      platformtest::pushKey(boxWindow, SDL_KEYUP, SDLK_r);
      platformtest::pushMotion(boxWindow, 0, 0);
    }
    *answer = IDYES;
    return ticksReceived() >= 4;
  }
  static inline std::thread::id guiThread;
  static inline size_t threads = 0;
  static inline bool offThread = false;
  bool typed = false;
};

struct QuickBoxAnsweringNo : platform::Box {
  bool answered(int* answer) override {
    *answer = IDNO;
    return true;
  }
};

// Presents a box of this kind, noting the request.
template <typename BoxKind>
std::unique_ptr<platform::Box> present(const platform::BoxRequest& request) {
  ++boxesShown;
  lastRequest = request;
  return std::make_unique<BoxKind>();
}

TEST_F(PlatformDialog, TicksGoOnWhileTheBoxIsUpAndInputMeantForTheClockIsDropped) {
  boxWindow = window;
  boxesShown = 0;
  platform::boxPresenter = present<SlowBoxAnsweringYes>;
  SetTimer(window, 1, 20, nullptr);
  received().clear();
  ticksReceived() = 0;
  SlowBoxAnsweringYes::guiThread = std::this_thread::get_id();
  SlowBoxAnsweringYes::threads = threadCount();
  EXPECT_EQ(MessageBoxA(window, "Really Quit?", "Quit Program", MB_YESNO), IDYES);
  EXPECT_FALSE(SlowBoxAnsweringYes::offThread) << "the box is asked on the GUI thread alone";
  EXPECT_EQ(boxesShown, 1);
  EXPECT_EQ(lastRequest.caption, "Quit Program");
  EXPECT_EQ(lastRequest.text, "Really Quit?");
  EXPECT_EQ(lastRequest.owner, window->sdl);
  EXPECT_GE(countReceived(WM_TIMER), 4) << "frames must keep coming under the box";
  EXPECT_EQ(countReceived(WM_KEYDOWN) + countReceived(WM_KEYUP), 0);
  EXPECT_EQ(countReceived(WM_MOUSEMOVE), 0);
  // Nor may they arrive afterwards: the next message is a tick.
  EXPECT_EQ(platformtest::nextMessage().message, static_cast<UINT>(WM_TIMER));
  KillTimer(window, 1);
}

TEST_F(PlatformDialog, TheAnswerOfTheBoxIsReturned) {
  platform::boxPresenter = present<QuickBoxAnsweringNo>;
  EXPECT_EQ(MessageBoxA(window, "Really Quit?", "Quit Program", MB_YESNO), IDNO);
  EXPECT_EQ(MessageBoxA(nullptr, "Could not load in texture maps", "No textures!", MB_OK), IDNO);
  EXPECT_EQ(lastRequest.owner, nullptr) << "a box without an owner has no parent window";
}

TEST_F(PlatformDialog, APendingQuitEndsTheBoxUnshownAndStaysPending) {
  boxesShown = 0;
  platform::boxPresenter = present<QuickBoxAnsweringNo>;
  PostQuitMessage(2);
  EXPECT_EQ(MessageBoxA(nullptr, "Font error", "Error", MB_OK), IDOK);
  EXPECT_EQ(MessageBoxA(window, "Really Quit?", "Quit Program", MB_YESNO), IDNO);
  EXPECT_EQ(boxesShown, 0);
  MSG message = {};
  EXPECT_FALSE(GetMessageA(&message, nullptr, 0, 0));
  EXPECT_EQ(message.wParam, 2u);
}

}  // namespace
