// wagglersaver: the clock's scene as an xscreensaver hack. It draws with GLX into the window
// xscreensaver gives it (or one of its own) on that window's visual, every 20 ms, and ends on
// SIGTERM, SIGINT or the window's destruction. SDL, under the clock program, selects no events
// on a window it did not make, so this path talks to X and GLX itself.
#include <GL/glx.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <signal.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/linux/freed_memory.h"
#include "platform/linux/window_icon.h"
#include "saver/linux/options.h"
#include "saver/linux/scene.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kTick{20};  // the clock's timer

// Held here rather than in main, so that an early return leaves nothing unreachable behind.
Display* openDisplay = nullptr;

volatile sig_atomic_t stopRequested = 0;
void onStopSignal(int) {
  stopRequested = 1;
}

// The X error last reported, and whether the target window is known to be gone, after which
// errors about it are expected and no fault.
bool xErrorSeen = false;
char xErrorText[256];
bool windowGone = false;

int onXError(Display* display, XErrorEvent* event) {
  if (windowGone) return 0;
  char name[160];
  XGetErrorText(display, event->error_code, name, sizeof name);
  std::snprintf(xErrorText, sizeof xErrorText, "%s (request %d, resource 0x%lx)", name,
                event->request_code, event->resourceid);
  xErrorSeen = true;
  return 0;
}

int fail(const std::string& message) {
  std::fprintf(stderr, "wagglersaver: %s\n", message.c_str());
  return 1;
}

std::string hex(unsigned long id) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%lx", id);
  return text;
}

// The window named by $XSCREENSAVER_WINDOW (xscreensaver writes 0x hex), else the root
// window; 0 when the variable names none.
Window rootTarget(Display* display) {
  const char* named = std::getenv("XSCREENSAVER_WINDOW");
  if (!named || !*named) return DefaultRootWindow(display);
  const char* argv[] = {"", "-window-id", named};
  HackOptions parsed;
  std::string error;
  return parseHackOptions(3, argv, parsed, error) ? parsed.windowId : 0;
}

// A window of the hack's own on a double-buffered GL visual with depth, for trying it by hand.
Window ownWindow(Display* display) {
  int attributes[] = {GLX_RGBA, GLX_DOUBLEBUFFER, GLX_DEPTH_SIZE, 16, None};
  XVisualInfo* visual = glXChooseVisual(display, DefaultScreen(display), attributes);
  if (!visual) return 0;
  const Window root = RootWindow(display, visual->screen);
  XSetWindowAttributes set = {};
  set.colormap = XCreateColormap(display, root, visual->visual, AllocNone);
  set.background_pixel = BlackPixel(display, visual->screen);
  set.border_pixel = 0;
  const Window window =
      XCreateWindow(display, root, 0, 0, 640, 480, 0, visual->depth, InputOutput, visual->visual,
                    CWColormap | CWBackPixel | CWBorderPixel, &set);
  XFree(visual);
  XStoreName(display, window, "wagglersaver");
  platform::setWindowIcon(display, window);
  XMapWindow(display, window);
  return window;
}

// Why the visual cannot show the scene, or empty when it can.
std::string visualFault(Display* display, XVisualInfo* visual) {
  int value = 0;
  if (glXGetConfig(display, visual, GLX_USE_GL, &value) != 0 || !value) return "no OpenGL";
  if (glXGetConfig(display, visual, GLX_RGBA, &value) != 0 || !value) return "no RGBA";
  if (glXGetConfig(display, visual, GLX_DOUBLEBUFFER, &value) != 0 || !value)
    return "no double buffering";
  if (glXGetConfig(display, visual, GLX_DEPTH_SIZE, &value) != 0 || !value)
    return "no depth buffer";
  return "";
}

// The window's events until none is queued; false once the window is destroyed.
bool handleEvents(Display* display, Window window, Atom deleteWindow) {
  while (XPending(display)) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == ConfigureNotify && event.xconfigure.window == window) {
      resizeSaverScene(event.xconfigure.width, event.xconfigure.height);
    } else if (event.type == DestroyNotify && event.xdestroywindow.window == window) {
      return false;
    } else if (event.type == ClientMessage &&
               static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow) {
      return false;  // our own window's close box
    }
  }
  return true;
}

// The stop signals stay blocked except while waiting, so they end the wait at once and never
// interrupt a frame; threads started later (llvmpipe's) inherit the mask. Returns the mask to
// wait under.
sigset_t blockStopSignals() {
  sigset_t stopSignals, waitMask;
  sigemptyset(&stopSignals);
  sigaddset(&stopSignals, SIGTERM);
  sigaddset(&stopSignals, SIGINT);
  sigprocmask(SIG_BLOCK, &stopSignals, &waitMask);
  sigdelset(&waitMask, SIGTERM);
  sigdelset(&waitMask, SIGINT);
  struct sigaction action = {};
  action.sa_handler = onStopSignal;
  sigaction(SIGTERM, &action, nullptr);
  sigaction(SIGINT, &action, nullptr);
  return waitMask;
}

// The window the options name, or 0 with the reason in `error`.
Window findTargetWindow(Display* display, const HackOptions& options, std::string& error) {
  switch (options.target) {
    case HackTarget::windowId: return options.windowId;
    case HackTarget::root:
      if (Window window = rootTarget(display)) return window;
      error = "XSCREENSAVER_WINDOW names no window";
      return 0;
    case HackTarget::ownWindow:
      if (Window window = ownWindow(display)) return window;
      error = "no OpenGL visual with double buffering and a depth buffer";
      return 0;
  }
  return 0;
}

// A GL context on the window's own visual, made current on it; null with the reason in `error`.
GLXContext makeContextOnWindow(Display* display, Window window, const XWindowAttributes& attributes,
                               std::string& error) {
  XVisualInfo wanted = {};
  wanted.visualid = XVisualIDFromVisual(attributes.visual);
  int count = 0;
  XVisualInfo* visual = XGetVisualInfo(display, VisualIDMask, &wanted, &count);
  if (!visual) {
    error = "window " + hex(window) + ": its visual is unknown";
    return nullptr;
  }
  const std::string fault = visualFault(display, visual);
  if (!fault.empty()) {
    XFree(visual);
    error = "window " + hex(window) + " has visual " + hex(wanted.visualid) + " with " + fault +
            ": xscreensaver gives GL hacks a GL visual (list it as \"GL:\")";
    return nullptr;
  }
  GLXContext context = glXCreateContext(display, visual, nullptr, True);
  XFree(visual);
  if (!context || !glXMakeCurrent(display, window, context)) {
    error = "cannot make an OpenGL context for window " + hex(window);
    return nullptr;
  }
  return context;
}

// Draws a frame every tick until a stop signal or the window's end; false, with the reason in
// `error`, on an X error that is not the window's end.
bool drawUntilStopped(Display* display, Window window, Atom deleteWindow, bool showFps,
                      const sigset_t& waitMask, std::string& error) {
  // Ticks keep their 20 ms rhythm; a late frame makes no backlog.
  Clock::time_point next = Clock::now();
  pollfd connection = {ConnectionNumber(display), POLLIN, 0};
  while (!stopRequested) {
    if (!handleEvents(display, window, deleteWindow)) {
      windowGone = true;
      break;
    }
    if (xErrorSeen) {
      // An error about a window destroyed since the last events is its end, not a fault.
      XSync(display, False);
      windowGone = !handleEvents(display, window, deleteWindow);
      if (windowGone) break;
      error = std::string("X error: ") + xErrorText;
      return false;
    }
    Clock::time_point now = Clock::now();
    if (now >= next) {
      drawSaverFrame(showFps);
      glFlush();
      glXSwapBuffers(display, window);
      // As the clock's SwapBuffers does: the hack runs for hours, and would keep its peak.
      platform::returnFreedMemory();
      next += kTick;
      now = Clock::now();
      if (next <= now) next = now;
    }
    // Waits even when the next tick is due, as the stop signals get through only here.
    const auto wait = std::chrono::duration_cast<std::chrono::nanoseconds>(next - now);
    const timespec timeout = {static_cast<time_t>(wait.count() / 1000000000),
                              static_cast<long>(wait.count() % 1000000000)};
    ppoll(&connection, 1, &timeout, &waitMask);
  }
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  HackOptions options;
  std::string error;
  if (!parseHackOptions(argc, argv, options, error)) {
    std::fprintf(stderr, "wagglersaver: %s\n%s", error.c_str(), hackUsage().c_str());
    return 1;
  }
  // No LP_NUM_THREADS=0 here, unlike the clock: a screensaver runs while the machine is idle,
  // so llvmpipe's rasterizer threads cost nobody and keep frames smooth at full-screen sizes.
  const sigset_t waitMask = blockStopSignals();

  Display* display = openDisplay = XOpenDisplay(nullptr);
  if (!display) return fail(std::string("cannot open display ") + XDisplayName(nullptr));
  XSetErrorHandler(onXError);

  const Window window = findTargetWindow(display, options, error);
  if (!window) return fail(error);
  Atom deleteWindow = XInternAtom(display, "WM_DELETE_WINDOW", False);
  if (options.target == HackTarget::ownWindow) XSetWMProtocols(display, window, &deleteWindow, 1);

  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display, window, &attributes))
    return fail("no window " + hex(window) + ": " + xErrorText);
  XSelectInput(display, window, StructureNotifyMask);

  GLXContext context = makeContextOnWindow(display, window, attributes, error);
  if (!context) return fail(error);
  XSync(display, False);
  if (xErrorSeen) return fail(std::string("X error: ") + xErrorText);

  setupSaverScene(options, attributes.width, attributes.height);
  if (!drawUntilStopped(display, window, deleteWindow, options.fps, waitMask, error))
    return fail(error);
  // Released even when the window is gone (its errors are ignored by then): a context still
  // current is not destroyed, and would keep the window's buffers.
  glXMakeCurrent(display, None, nullptr);
  glXDestroyContext(display, context);
  XCloseDisplay(display);
  return 0;
}
