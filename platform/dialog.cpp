// Dialog-style keys and message boxes. SDL's box blocks its caller (on X11 it forks a child
// and waits), so it is shown from a worker thread while this thread runs the modal loop that
// Windows would: ticks keep being dispatched, input for the windows is thrown away.
#include <SDL_syswm.h>

#include <cstring>
#include <thread>

#include "platform/internal.h"

namespace {

// How long, and how often, the modal loop looks for the box's X window to give it the keyboard.
const std::uint64_t boxFocusPatienceMs = 5000;
const int boxFocusRetryMs = 25;

bool isYesNo(UINT type) {
  return (type & 0x0F) == MB_YESNO;
}

// The answer of a box that was closed without one of its buttons.
int dismissedAnswer(UINT type) {
  return isYesNo(type) ? IDNO : IDOK;
}

int showSdlBox(const platform::BoxRequest& request) {
  SDL_MessageBoxButtonData buttons[2] = {};
  int count = 0;
  if (isYesNo(request.type)) {
    buttons[count++] = {SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT, IDYES, "Yes"};
    buttons[count++] = {SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDNO, "No"};
  } else {
    buttons[count++] = {
        SDL_MESSAGEBOX_BUTTON_RETURNKEY_DEFAULT | SDL_MESSAGEBOX_BUTTON_ESCAPEKEY_DEFAULT, IDOK,
        "OK"};
  }
  SDL_MessageBoxData data = {};
  data.flags = SDL_MESSAGEBOX_INFORMATION | SDL_MESSAGEBOX_BUTTONS_LEFT_TO_RIGHT;
  data.window = request.owner;
  data.title = request.caption.c_str();
  data.message = request.text.c_str();
  data.numbuttons = count;
  data.buttons = buttons;
  int pressed = -1;
  if (SDL_ShowMessageBox(&data, &pressed) != 0 || pressed < 0) return dismissedAnswer(request.type);
  return pressed;
}

// The few Xlib calls made here, looked up in the library SDL itself loads at run time.
struct Xlib {
  bool loaded = false;
  Status (*initThreads)();
  Status (*queryTree)(Display*, Window, Window*, Window*, Window**, unsigned int*);
  int (*getWindowProperty)(Display*, Window, Atom, long, long, Bool, Atom, Atom*, int*,
                           unsigned long*, unsigned long*, unsigned char**);
  Atom (*internAtom)(Display*, const char*, Bool);
  Status (*getWindowAttributes)(Display*, Window, XWindowAttributes*);
  Status (*getTransientForHint)(Display*, Window, Window*);
  int (*setInputFocus)(Display*, Window, int, Time);
  int (*raiseWindow)(Display*, Window);
  int (*sync)(Display*, Bool);
  int (*free)(void*);
  XErrorHandler (*setErrorHandler)(XErrorHandler);
};

template <typename Function>
bool lookUp(void* library, const char* name, Function* function) {
  *function = reinterpret_cast<Function>(SDL_LoadFunction(library, name));
  return *function != nullptr;
}

Xlib loadXlib() {
  Xlib x = {};
  void* library = SDL_LoadObject("libX11.so.6");
  if (!library) return x;
  x.loaded = lookUp(library, "XInitThreads", &x.initThreads) &&
             lookUp(library, "XQueryTree", &x.queryTree) &&
             lookUp(library, "XGetWindowProperty", &x.getWindowProperty) &&
             lookUp(library, "XInternAtom", &x.internAtom) &&
             lookUp(library, "XGetWindowAttributes", &x.getWindowAttributes) &&
             lookUp(library, "XGetTransientForHint", &x.getTransientForHint) &&
             lookUp(library, "XSetInputFocus", &x.setInputFocus) &&
             lookUp(library, "XRaiseWindow", &x.raiseWindow) && lookUp(library, "XSync", &x.sync) &&
             lookUp(library, "XFree", &x.free) &&
             lookUp(library, "XSetErrorHandler", &x.setErrorHandler);
  return x;
}

Xlib& xlib() {
  static Xlib x = loadXlib();
  return x;
}

bool usingX11() {
  const char* driver = SDL_GetCurrentVideoDriver();
  return driver && std::strcmp(driver, "x11") == 0;
}

// The box's window may vanish between our calls; such errors are expected and harmless.
int ignoreXError(Display*, XErrorEvent*) {
  return 0;
}

bool x11WindowOf(SDL_Window* sdl, Display** display, Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (!sdl || !SDL_GetWindowWMInfo(sdl, &info) || info.subsystem != SDL_SYSWM_X11) return false;
  *display = info.info.x11.display;
  *window = info.info.x11.window;
  return true;
}

bool isOurX11Window(Window candidate) {
  for (HWND window : platform::allWindows()) {
    Display* display = nullptr;
    Window ours = 0;
    if (window->sdl && x11WindowOf(window->sdl, &display, &ours) && ours == candidate) return true;
  }
  return false;
}

std::string x11WindowName(Display* display, Window window) {
  Xlib& x = xlib();
  for (const char* property : {"_NET_WM_NAME", "WM_NAME"}) {
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    const Atom name = x.internAtom(display, property, False);
    if (x.getWindowProperty(display, window, name, 0, 256, False, AnyPropertyType, &type, &format,
                            &count, &after, &data) != Success ||
        !data)
      continue;
    std::string text = format == 8 ? std::string(reinterpret_cast<char*>(data), count) : "";
    x.free(data);
    if (!text.empty()) return text;
  }
  return "";
}

// Gives the keyboard to the box with this caption (transient for the owner, if any).
// Without a window manager nobody else would, and the keys would stay with the clock.
bool focusBoxWindow(const std::string& caption, HWND owner) {
  Xlib& x = xlib();
  if (!x.loaded || !usingX11()) return false;
  SDL_Window* anchor = platform::isLiveWindow(owner) ? owner->sdl : nullptr;
  for (HWND window : platform::allWindows())
    if (!anchor && platform::isLiveWindow(window) && window->sdl) anchor = window->sdl;
  Display* display = nullptr;
  Window anchorWindow = 0;
  if (!x11WindowOf(anchor, &display, &anchorWindow)) return false;
  Window ownerWindow = 0;
  if (platform::isLiveWindow(owner)) ownerWindow = anchorWindow;

  const XErrorHandler previous = x.setErrorHandler(ignoreXError);
  bool focused = false;
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  if (x.queryTree(display, anchorWindow, &root, &parent, &children, &count)) {
    if (children) x.free(children);
    children = nullptr;
    if (x.queryTree(display, root, &root, &parent, &children, &count)) {
      for (unsigned int i = count; i-- > 0 && !focused;) {  // topmost first
        const Window candidate = children[i];
        XWindowAttributes attributes;
        if (isOurX11Window(candidate) || !x.getWindowAttributes(display, candidate, &attributes) ||
            attributes.map_state != IsViewable || x11WindowName(display, candidate) != caption)
          continue;
        Window transientFor = 0;
        if (ownerWindow && x.getTransientForHint(display, candidate, &transientFor) &&
            transientFor != ownerWindow)
          continue;
        x.raiseWindow(display, candidate);
        x.setInputFocus(display, candidate, RevertToPointerRoot, CurrentTime);
        focused = true;
      }
      if (children) x.free(children);
    }
  }
  x.sync(display, False);
  x.setErrorHandler(previous);
  return focused;
}

// Runs until the worker reports an answer: ticks, paints and sizes are dispatched,
// input for the windows is dropped, as for windows a modal box disables.
void runModalLoop(const std::atomic<bool>& answered, const std::string& caption, HWND owner) {
  const std::uint64_t giveUpAt = platform::nowMs() + boxFocusPatienceMs;
  bool focusing = usingX11();
  for (;;) {
    MSG message;
    const platform::Fetched fetched =
        platform::fetchMessage(&message, &answered, focusing ? boxFocusRetryMs : -1);
    if (fetched == platform::Fetched::stopped) return;
    if (fetched == platform::Fetched::message && !platform::isInputMessage(message.message))
      DispatchMessageA(&message);
    if (focusing && (focusBoxWindow(caption, owner) || platform::nowMs() >= giveUpAt))
      focusing = false;
  }
}

}  // namespace

namespace platform {

BoxPresenter boxPresenter = showSdlBox;

void prepareX11Threads() {
  static bool done = false;
  if (done) return;
  done = true;
  const char* driver = SDL_getenv("SDL_VIDEODRIVER");
  if (driver && std::strcmp(driver, "x11") != 0) return;
  if (xlib().loaded) xlib().initThreads();
}

}  // namespace platform

BOOL IsDialogMessageA(HWND dialog, LPMSG message) {
  if (!dialog || !message || message->hwnd != dialog || !platform::isLiveWindow(dialog))
    return FALSE;
  if (message->message != WM_KEYDOWN) return FALSE;
  switch (message->wParam) {
    case VK_RETURN: SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDOK, 0), 0); return TRUE;
    case VK_ESCAPE: SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0); return TRUE;
    case VK_TAB:
    case VK_LEFT:
    case VK_UP:
    case VK_RIGHT:
    case VK_DOWN:
      return TRUE;  // dialog navigation; the plain window has no controls to move between
  }
  return FALSE;
}

int MessageBoxA(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  // A modal loop that meets a pending quit ends at once and leaves the quit for the caller.
  if (platform::quitIsPending()) return dismissedAnswer(type);
  const platform::BoxRequest request{text ? text : "", caption ? caption : "Error", type,
                                     platform::isLiveWindow(owner) ? owner->sdl : nullptr};
  std::atomic<bool> answered{false};
  int answer = dismissedAnswer(type);
  std::thread worker([&] {
    answer = platform::boxPresenter(request);
    // SDL frees its per-thread data (the error text) itself only in threads it started.
    SDL_TLSCleanup();
    answered = true;
    platform::wakeMessageLoop();
  });
  runModalLoop(answered, request.caption, owner);
  worker.join();
  // Keys pressed at the box must not reach the clock afterwards.
  platform::discardInput();
  if (platform::isLiveWindow(owner) && owner->sdl && owner->visible) {
    SDL_RaiseWindow(owner->sdl);
    SDL_SetWindowInputFocus(owner->sdl);
  }
  return answer;
}
