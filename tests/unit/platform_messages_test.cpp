// Windows and their messages on SDL's dummy driver: creation, SDL events turned into
// Windows messages, the default procedure, destruction. Events are pushed into SDL's queue
// as the X11 driver would deliver them.
#include <gtest/gtest.h>

#include "tests/unit/platform_support.h"

namespace {

using platformtest::countReceived;
using platformtest::makeShownWindow;
using platformtest::nextMessage;
using platformtest::nextMessagePastFocus;
using platformtest::pushEvent;
using platformtest::pushKey;
using platformtest::pushMotion;
using platformtest::received;

void pushWindowEvent(HWND window, Uint8 what, int data1 = 0, int data2 = 0) {
  SDL_Event event = {};
  event.type = SDL_WINDOWEVENT;
  event.window.windowID = window->sdlId;
  event.window.event = what;
  event.window.data1 = data1;
  event.window.data2 = data2;
  pushEvent(event);
}

void pushWheel(HWND window, int notches, Uint32 direction = SDL_MOUSEWHEEL_NORMAL) {
  SDL_Event event = {};
  event.type = SDL_MOUSEWHEEL;
  event.wheel.windowID = window->sdlId;
  event.wheel.y = notches;
  event.wheel.direction = direction;
  pushEvent(event);
}

class PlatformEvents : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(platformtest::dummyVideo);
    window = makeShownWindow();
    ASSERT_NE(window, nullptr);
    ASSERT_NE(window->sdl, nullptr);
    // The paint that showing asks for comes first after the focus; take it out of the way.
    MSG paint = nextMessagePastFocus({window});
    ASSERT_EQ(paint.message, static_cast<UINT>(WM_PAINT));
  }
  void TearDown() override { DestroyWindow(window); }

  // Something to find after the events under test, so a dropped event shows.
  void pushMarker() { pushMotion(window, 99, 98); }
  void expectMarker() {
    const MSG message = nextMessage();
    EXPECT_EQ(message.message, static_cast<UINT>(WM_MOUSEMOVE));
    EXPECT_EQ(message.lParam, MAKELPARAM(99, 98));
  }

  HWND window = nullptr;
};

TEST(PlatformPacking, WordsOfParametersRoundTrip) {
  const LPARAM at = MAKELPARAM(392, 373);
  EXPECT_EQ(LOWORD(at), 392);
  EXPECT_EQ(HIWORD(at), 373);
  const WPARAM wheel = MAKEWPARAM(0x0008, -120);
  EXPECT_EQ(LOWORD(wheel), 0x0008);
  EXPECT_EQ(HIWORD(wheel), 0xFF88);
  EXPECT_EQ(static_cast<SHORT>(HIWORD(wheel)), -120);
}

TEST(PlatformWindows, CreationSendsCreateThenTheClientSize) {
  ASSERT_TRUE(platformtest::dummyVideo);
  received().clear();
  HWND window = CreateWindowExA(0, platformtest::recordingClass(), "Test", WS_OVERLAPPEDWINDOW, 1,
                                1, 400, 400, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  ASSERT_GE(received().size(), 2u);
  EXPECT_EQ(received()[0].message, static_cast<UINT>(WM_CREATE));
  EXPECT_EQ(received()[1].message, static_cast<UINT>(WM_SIZE));
  const int width = 400 - nonClient::left - nonClient::right;
  const int height = 400 - nonClient::top - nonClient::bottom;
  EXPECT_EQ(received()[1].lParam, MAKELPARAM(width, height));
  RECT client = {};
  ASSERT_TRUE(GetClientRect(window, &client));
  EXPECT_EQ(client.right - client.left, width);
  EXPECT_EQ(client.bottom - client.top, height);
  EXPECT_LT(width, 400);
  EXPECT_LT(height, 400);
  EXPECT_EQ(GetDC(window), GetDC(window));
  EXPECT_EQ(ReleaseDC(window, GetDC(window)), 1);
  DestroyWindow(window);
}

LRESULT CALLBACK destroyOnCreate(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CREATE) {
    DestroyWindow(window);
    return 1;
  }
  return platformtest::recordingProc(window, message, wParam, lParam);
}

TEST(PlatformWindows, CreationGivesNoWindowWhenItWasDestroyedDuringCreate) {
  ASSERT_TRUE(platformtest::dummyVideo);
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof(WNDCLASSEXA);
  windowClass.lpfnWndProc = destroyOnCreate;
  windowClass.lpszClassName = "DestroyedOnCreate";
  RegisterClassExA(&windowClass);
  received().clear();
  EXPECT_EQ(CreateWindowExA(0, "DestroyedOnCreate", "Test", WS_OVERLAPPEDWINDOW, 1, 1, 400, 400,
                            nullptr, nullptr, nullptr, nullptr),
            nullptr);
  EXPECT_EQ(countReceived(WM_DESTROY), 1);
  EXPECT_EQ(countReceived(WM_SIZE), 0);
}

TEST(PlatformWindows, UnknownClassesAndRepeatedRegistrationsAreRefused) {
  EXPECT_EQ(CreateWindowExA(0, "NoSuchClass", "Test", 0, 0, 0, 10, 10, nullptr, nullptr, nullptr,
                            nullptr),
            nullptr);
  platformtest::recordingClass();
  WNDCLASSEXA windowClass = {};
  windowClass.cbSize = sizeof(WNDCLASSEXA);
  windowClass.lpfnWndProc = platformtest::recordingProc;
  windowClass.lpszClassName = platformtest::recordingClass();
  EXPECT_EQ(RegisterClassExA(&windowClass), 0);
}

TEST(PlatformWindows, WithoutGlThereIsNoPixelFormatOrContext) {
  // The dummy driver has no OpenGL, like an X server without GLX.
  HWND window = makeShownWindow();
  ASSERT_NE(window, nullptr);
  PIXELFORMATDESCRIPTOR request = {};
  request.nSize = sizeof(request);
  HDC dc = GetDC(window);
  EXPECT_EQ(ChoosePixelFormat(dc, &request), 0);
  EXPECT_FALSE(SetPixelFormat(dc, 0, &request));
  EXPECT_EQ(wglCreateContext(dc), nullptr);
  EXPECT_FALSE(SwapBuffers(dc));
  DestroyWindow(window);
}

TEST(PlatformWindows, DestroyingTwiceFailsAndTheWindowIsGone) {
  HWND window = makeShownWindow();
  ASSERT_NE(window, nullptr);
  EXPECT_TRUE(DestroyWindow(window));
  EXPECT_EQ(countReceived(WM_DESTROY), 1);
  EXPECT_FALSE(DestroyWindow(window));
  EXPECT_EQ(countReceived(WM_DESTROY), 1);
  EXPECT_EQ(window->sdl, nullptr);
  EXPECT_EQ(GetDC(window), nullptr);
  RECT client = {};
  EXPECT_FALSE(GetClientRect(window, &client));
  EXPECT_EQ(SendMessageA(window, WM_CLOSE, 0, 0), 0);
}

TEST(PlatformWindows, UpdateWindowPaintsOnlyWhatNeedsPainting) {
  HWND window = makeShownWindow();
  UpdateWindow(window);
  EXPECT_EQ(countReceived(WM_PAINT), 1);
  UpdateWindow(window);
  EXPECT_EQ(countReceived(WM_PAINT), 1);
  DestroyWindow(window);
}

TEST_F(PlatformEvents, KeysBecomeKeyMessagesWithVirtualKeyCodes) {
  pushKey(window, SDL_KEYDOWN, SDLK_r);
  pushKey(window, SDL_KEYDOWN, SDLK_r, KMOD_LSHIFT);
  pushKey(window, SDL_KEYDOWN, SDLK_r, KMOD_NONE, 1);
  for (const bool repeat : {false, false, true}) {  // Shift must not change the code
    const MSG message = nextMessage();
    EXPECT_EQ(message.hwnd, window);
    EXPECT_EQ(message.message, static_cast<UINT>(WM_KEYDOWN));
    EXPECT_EQ(message.wParam, 0x52u);
    EXPECT_EQ((message.lParam & (1 << 30)) != 0, repeat) << "a repeat says the key was down";
  }
}

TEST_F(PlatformEvents, TheKeysTheClockReadsArriveWithTheirWindowsCodes) {
  // The option keys (letters, and the digits that set the text size), the keys the dialog
  // handling reads, and the camera's, which GetKeyState finds through the same translation.
  // clang-format off
  const std::pair<SDL_Keycode, WPARAM> keys[] = {
      {SDLK_a, 'A'}, {SDLK_c, 'C'}, {SDLK_d, 'D'}, {SDLK_i, 'I'}, {SDLK_r, 'R'}, {SDLK_s, 'S'},
      {SDLK_t, 'T'}, {SDLK_1, '1'}, {SDLK_9, '9'}, {SDLK_RETURN, VK_RETURN},
      {SDLK_KP_ENTER, VK_RETURN}, {SDLK_ESCAPE, VK_ESCAPE}, {SDLK_TAB, VK_TAB},
      {SDLK_LEFT, VK_LEFT}, {SDLK_UP, VK_UP}, {SDLK_RIGHT, VK_RIGHT}, {SDLK_DOWN, VK_DOWN},
      {SDLK_COMMA, VK_OEM_COMMA}, {SDLK_PERIOD, VK_OEM_PERIOD}, {SDLK_LSHIFT, VK_SHIFT},
      {SDLK_RSHIFT, VK_SHIFT}, {SDLK_LCTRL, VK_CONTROL}, {SDLK_RCTRL, VK_CONTROL}};
  // clang-format on
  for (const auto& [sdlKey, code] : keys) pushKey(window, SDL_KEYUP, sdlKey);
  for (const auto& [sdlKey, code] : keys) {
    const MSG message = nextMessage();
    EXPECT_EQ(message.message, static_cast<UINT>(WM_KEYUP)) << SDL_GetKeyName(sdlKey);
    EXPECT_EQ(message.wParam, code) << SDL_GetKeyName(sdlKey);
  }
}

TEST_F(PlatformEvents, KeysWithoutAFocusedWindowAndUntranslatedKeysAreDropped) {
  pushKey(nullptr, SDL_KEYDOWN, SDLK_a);
  pushKey(window, SDL_KEYDOWN, SDLK_F13);
  SDL_Event quit = {};
  quit.type = SDL_QUIT;
  pushEvent(quit);  // closing comes per window; SDL's quit means nothing here
  pushMarker();
  expectMarker();
}

TEST_F(PlatformEvents, MouseButtonsAndMovesCarryClientCoordinates) {
  SDL_Event event = {};
  event.type = SDL_MOUSEBUTTONDOWN;
  event.button.windowID = window->sdlId;
  event.button.button = SDL_BUTTON_RIGHT;
  event.button.x = 10;
  event.button.y = 20;
  pushEvent(event);
  event.type = SDL_MOUSEBUTTONUP;
  event.button.button = SDL_BUTTON_LEFT;
  pushEvent(event);
  MSG message = nextMessage();
  EXPECT_EQ(message.message, static_cast<UINT>(WM_RBUTTONDOWN));
  EXPECT_EQ(LOWORD(message.lParam), 10);
  EXPECT_EQ(HIWORD(message.lParam), 20);
  EXPECT_NE(message.wParam & 0x0002, 0u) << "MK_RBUTTON while the right button is down";
  message = nextMessage();
  EXPECT_EQ(message.message, static_cast<UINT>(WM_LBUTTONUP));
}

TEST_F(PlatformEvents, WaitingMouseMovesAreMergedIntoTheLatest) {
  pushMotion(window, 1, 2);
  pushMotion(window, 3, 4);
  pushKey(window, SDL_KEYDOWN, SDLK_a);
  MSG message = nextMessage();
  EXPECT_EQ(message.message, static_cast<UINT>(WM_MOUSEMOVE));
  EXPECT_EQ(message.lParam, MAKELPARAM(3, 4));
  EXPECT_EQ(nextMessage().message, static_cast<UINT>(WM_KEYDOWN));
}

TEST_F(PlatformEvents, EachWheelNotchIsOneMessageOf120) {
  pushWheel(window, 1);
  pushWheel(window, -2);
  pushWheel(window, 1, SDL_MOUSEWHEEL_FLIPPED);
  const SHORT expected[] = {120, -120, -120, -120};
  for (SHORT delta : expected) {
    const MSG message = nextMessage();
    ASSERT_EQ(message.message, static_cast<UINT>(WM_MOUSEWHEEL));
    EXPECT_EQ(static_cast<SHORT>(HIWORD(message.wParam)), delta);
  }
  pushMarker();
  expectMarker();
}

TEST_F(PlatformEvents, SizeMinimiseAndRestoreReportTheClientSize) {
  pushWindowEvent(window, SDL_WINDOWEVENT_SIZE_CHANGED, 300, 200);
  pushWindowEvent(window, SDL_WINDOWEVENT_SIZE_CHANGED, 300, 200);  // no change: no message
  pushWindowEvent(window, SDL_WINDOWEVENT_MINIMIZED);
  MSG message = nextMessage();
  EXPECT_EQ(message.message, static_cast<UINT>(WM_SIZE));
  EXPECT_EQ(message.lParam, MAKELPARAM(300, 200));
  message = nextMessage();
  EXPECT_EQ(message.message, static_cast<UINT>(WM_SIZE));
  EXPECT_EQ(message.wParam, static_cast<WPARAM>(SIZE_MINIMIZED));
  EXPECT_EQ(message.lParam, MAKELPARAM(0, 0));
  RECT client = {};
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 0);
  pushWindowEvent(window, SDL_WINDOWEVENT_RESTORED);
  message = nextMessage();
  EXPECT_EQ(message.message, static_cast<UINT>(WM_SIZE));
  EXPECT_EQ(message.lParam, MAKELPARAM(300, 200));
  GetClientRect(window, &client);
  EXPECT_EQ(client.right, 300);
  EXPECT_EQ(client.bottom, 200);
  pushMarker();
  expectMarker();
}

TEST_F(PlatformEvents, ExposureAsksForOnePaint) {
  pushWindowEvent(window, SDL_WINDOWEVENT_EXPOSED);
  pushWindowEvent(window, SDL_WINDOWEVENT_EXPOSED);
  EXPECT_EQ(nextMessage().message, static_cast<UINT>(WM_PAINT));
  // A paint still owed would come before any tick: the next message must be the tick.
  SetTimer(window, 7, 1, nullptr);
  EXPECT_EQ(nextMessage().message, static_cast<UINT>(WM_TIMER)) << "a second paint came";
  KillTimer(window, 7);
}

TEST_F(PlatformEvents, TheCloseRequestDestroysTheWindowThroughTheDefaultProcedure) {
  pushWindowEvent(window, SDL_WINDOWEVENT_CLOSE);
  const MSG message = nextMessage();
  ASSERT_EQ(message.message, static_cast<UINT>(WM_CLOSE));
  DispatchMessageA(&message);
  EXPECT_EQ(countReceived(WM_DESTROY), 1);
  EXPECT_FALSE(DestroyWindow(window));
}

TEST_F(PlatformEvents, KeysWithAltAreSystemKeysAndAltF4ClosesThroughTheSystemCommand) {
  pushKey(window, SDL_KEYDOWN, SDLK_F4, KMOD_LALT);
  pushKey(window, SDL_KEYUP, SDLK_F4, KMOD_LALT);
  const MSG message = nextMessage();
  EXPECT_EQ(message.wParam, static_cast<WPARAM>(VK_F4));
  EXPECT_EQ(nextMessage().message, static_cast<UINT>(WM_SYSKEYUP));
  DispatchMessageA(&message);
  std::vector<UINT> order;
  for (const MSG& entry : received()) order.push_back(entry.message);
  const std::vector<UINT> expected = {WM_SYSKEYDOWN, WM_SYSCOMMAND, WM_CLOSE, WM_DESTROY};
  EXPECT_EQ(order, expected);
  EXPECT_EQ(received()[1].wParam, static_cast<WPARAM>(SC_CLOSE));
}

TEST_F(PlatformEvents, ADestroyedWindowsWaitingMessagesAndTimersGoWithIt) {
  HWND other = makeShownWindow();  // its first paint is pending
  SetTimer(window, 1, 10, nullptr);
  pushMotion(other, 5, 5);
  pushKey(window, SDL_KEYDOWN, SDLK_b);
  // Both events are queued now; the move comes first. Showing `other` moved the focus to it.
  MSG message = nextMessagePastFocus({window, other});
  EXPECT_EQ(message.hwnd, other);
  EXPECT_EQ(message.message, static_cast<UINT>(WM_MOUSEMOVE));
  DestroyWindow(window);
  EXPECT_FALSE(KillTimer(window, 1));
  // Nothing more may reach the destroyed window, not even word that it lost the focus.
  message = nextMessagePastFocus({other});
  EXPECT_EQ(message.hwnd, other);
  EXPECT_EQ(message.message, static_cast<UINT>(WM_PAINT));
  DestroyWindow(other);
}

}  // namespace
