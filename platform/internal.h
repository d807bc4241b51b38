// State and helpers shared by the stand-in's own files (window, messages, dialog, wgl).
// Nothing outside platform/ includes this, except the layer's unit tests.
#pragma once

#include <SDL.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/objects.h"
#include "platform/win32.h"

// Frame and caption around the client area of a WS_OVERLAPPEDWINDOW window, in pixels.
// Measured under Wine 8 (the .exe's other home): a 400 by 400 window at (1, 1) has a
// 392 by 373 client area whose origin is at (5, 24). Using the same figures here gives both
// programs the same client size and puts the client area at the same place on the screen.
namespace nonClient {
const int left = 4;
const int top = 23;
const int right = 4;
const int bottom = 4;
}  // namespace nonClient

// A window: the class procedure, its geometry, and the SDL window once a pixel format
// (or ShowWindow) has called for one.
struct HWND__ {
  WNDPROC proc = nullptr;
  std::string title;
  int outerX = 0, outerY = 0;
  int clientWidth = 0, clientHeight = 0;
  SDL_Window* sdl = nullptr;
  Uint32 sdlId = 0;
  int pixelFormat = 0;  // 1-based index into the formats we try; 0 while none is chosen
  bool formatSet = false;
  bool visible = false;
  bool minimized = false;
  bool needsPaint = true;
  bool destroying = false;
  bool destroyed = false;
  int reportedWidth = -1, reportedHeight = -1;  // the size the last WM_SIZE carried
  HDC__ dc;
};

// A GL rendering context made for a window's pixel format.
struct HGLRC__ {
  SDL_GLContext gl = nullptr;
};

namespace platform {

// --- window.cpp ---
// Starts SDL's video once (false when there is no display).
bool ensureVideo();
// True for a window record that exists and has not been destroyed.
bool isLiveWindow(HWND window);
// The window record behind an SDL window, or null.
HWND windowFromSdlId(Uint32 sdlId);
HWND windowFromSdl(SDL_Window* sdl);
// Every window record ever made (records outlive destruction, as handles may be reused).
const std::vector<HWND>& allWindows();
// A hidden SDL window at the window's client position and size, with extra flags.
SDL_Window* createSdlWindow(HWND window, Uint32 extraFlags);
// Makes sdl the window's SDL window, replacing (and destroying) a previous one.
void adoptSdlWindow(HWND window, SDL_Window* sdl);
// Calls the window procedure, as SendMessageA does, queue bypassed.
LRESULT callProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// --- messages.cpp ---
// Milliseconds on a monotonic clock.
std::uint64_t nowMs();

// The message timers, kept apart from the queue so their rules are plain to test.
// A timer fires on a fixed rhythm (start + n * period); a tick that is missed is skipped,
// never queued, so at most one tick per timer is ever pending.
class TimerTable {
 public:
  struct Tick {
    HWND window;
    UINT_PTR id;
    TIMERPROC callback;
  };
  // Adds or restarts the timer (window, id); its first tick is due one period from now.
  void set(HWND window, UINT_PTR id, UINT periodMs, TIMERPROC callback, std::uint64_t now);
  bool kill(HWND window, UINT_PTR id);
  void killAll(HWND window);
  bool has(HWND window, UINT_PTR id) const;
  // Takes the earliest due tick, if any is due at now, and moves that timer to its next beat.
  bool takeDue(std::uint64_t now, Tick* tick);
  // When the next tick falls due; false when there are no timers.
  bool nextDue(std::uint64_t* due) const;
  bool empty() const { return timers_.empty(); }

 private:
  struct Timer {
    HWND window;
    UINT_PTR id;
    TIMERPROC callback;
    std::uint64_t period;
    std::uint64_t due;
  };
  std::vector<Timer> timers_;
};

// Windows' virtual-key code for an SDL key, or 0 for keys the layer does not translate.
UINT virtualKeyFromSdl(SDL_Keycode key);
// The code of a key as Windows gives it: by its character, else by its place on the keyboard.
UINT virtualKeyOf(SDL_Scancode scancode, SDL_Keycode key);
// Keeps the presses, repeats and release of these X key codes (held as a message box closed)
// from the windows until each is released.
void ignoreKeysHeldOverBox(const std::vector<unsigned>& keycodes);

// What fetchMessage found.
enum class Fetched { message, quit, stopped, idle };
// The heart of GetMessageA: the next queued message, else a pending paint, else a due tick,
// sleeping until one comes. With stop (a modal loop) it returns stopped as soon as *stop is
// set, and leaves a pending quit in place. With maxWaitMs >= 0 it sleeps at most that long
// and returns idle if nothing came meanwhile.
Fetched fetchMessage(MSG* message, const std::atomic<bool>* stop, int maxWaitMs);
// True while PostQuitMessage's quit waits to be taken.
bool quitIsPending();
// Wakes a fetchMessage that sleeps, from any thread.
void wakeMessageLoop();
// Key, mouse and close messages: what a disabled (modally owned) window does not get.
bool isInputMessage(UINT message);
// Reads every event SDL has ready and drops the input among them and in the queue.
void discardInput();
// Forgets a destroyed window's queued messages and timers.
void forgetWindow(HWND window);

// --- dialog.cpp ---
// What a message box is asked to show.
struct BoxRequest {
  std::string text;
  std::string caption;
  UINT type;
  SDL_Window* owner;
};
// A box on screen. The modal loop asks it, on the GUI thread, between the messages it
// dispatches; it must never block.
class Box {
 public:
  virtual ~Box() = default;
  // Handles what the user did since the last call; true once answered (IDYES, IDNO or IDOK).
  virtual bool answered(int* answer) = 0;
  // X key codes held down as the box goes, which must not act on the clock afterwards.
  virtual std::vector<unsigned> keysHeld() { return {}; }
};
// Shows a box, or returns null when none can be shown. The default is openMessageBox; the
// tests put in their own.
typedef std::unique_ptr<Box> (*BoxPresenter)(const BoxRequest& request);
extern BoxPresenter boxPresenter;
std::unique_ptr<Box> openMessageBox(const BoxRequest& request);
// The answer of a box closed without one of its buttons: No for a Yes/No box, else OK.
int dismissedAnswer(UINT type);

}  // namespace platform
