// Xlib and XTEST for the tests. There is no window manager: windows are searched in the whole
// tree, focused explicitly, and a box's text is found by drawing it as the box does.
#include "harness/x_display.h"

#include <X11/Xatom.h>
#include <X11/Xft/Xft.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <utility>

#include "platform/linux/box_look.h"

namespace e2e {

std::unique_ptr<XServer> XServer::start(const std::vector<std::string>& extraArgs,
                                        std::string* error) {
  int fds[2];
  if (pipe2(fds, O_CLOEXEC) != 0) {
    *error = errnoText("pipe");
    return nullptr;
  }
  std::vector<std::string> argv = {"Xvfb",        "-displayfd", "3",   "-screen", "0",
                                   "1024x768x24", "-nolisten",  "tcp", "-noreset"};
  argv.insert(argv.end(), extraArgs.begin(), extraArgs.end());
  const std::string log = artifactPath("xvfb", "log");
  std::unique_ptr<XServer> server(new XServer);
  server->process_ = Process::start(argv, {}, log, error, fds[1]);
  ::close(fds[1]);
  if (!server->process_) {
    ::close(fds[0]);
    return nullptr;
  }

  // The server writes its display number once it accepts connections.
  std::string number;
  const auto deadline = Clock::now() + Millis(30000);
  while (Clock::now() < deadline) {
    pollfd pfd{fds[0], POLLIN, 0};
    if (poll(&pfd, 1, 100) > 0) {
      char c;
      ssize_t n = read(fds[0], &c, 1);
      if (n <= 0 || c == '\n') break;
      number += c;
    } else if (!server->process_->running()) {
      break;
    }
  }
  ::close(fds[0]);
  if (number.empty()) {
    *error = "Xvfb did not report a display number; its log: " + fileTail(log);
    return nullptr;
  }
  server->displayName_ = ":" + number;
  server->display_ = XDisplay::open(server->displayName_, error);
  if (!server->display_) return nullptr;
  return server;
}

XServer::~XServer() {
  display_.reset();
  if (process_) process_->stop(Millis(5000));
}

namespace {

// Windows come and go under the tests' feet (a box closes while it is searched): such errors
// are expected and must not end the test process, as Xlib's default handler would.
int ignoreXError(::Display*, XErrorEvent*) {
  return 0;
}

std::string readTitle(::Display* d, Window w) {
  for (const char* name : {"WM_NAME", "_NET_WM_NAME"}) {
    Atom prop = XInternAtom(d, name, False);
    Atom type = 0;
    int format = 0;
    unsigned long count = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(d, w, prop, 0, 1024, False, AnyPropertyType, &type, &format, &count,
                           &after, &data) == Success &&
        data) {
      std::string title;
      if (format == 8) title.assign(reinterpret_cast<char*>(data), count);
      XFree(data);
      if (!title.empty()) return title;
    }
  }
  return "";
}

void collect(::Display* d, Window w, std::vector<WindowInfo>& out) {
  Window root = 0, parent = 0, *children = nullptr;
  unsigned int count = 0;
  if (!XQueryTree(d, w, &root, &parent, &children, &count)) return;
  std::vector<Window> list(children, children + count);
  if (children) XFree(children);
  for (Window child : list) {
    std::string title = readTitle(d, child);
    if (!title.empty()) {
      XWindowAttributes a;
      if (XGetWindowAttributes(d, child, &a)) {
        WindowInfo info;
        info.id = child;
        info.title = title;
        info.viewable = a.map_state == IsViewable;
        int rx = 0, ry = 0;
        Window dummy;
        XTranslateCoordinates(d, child, root, 0, 0, &rx, &ry, &dummy);
        info.frame = {rx, ry, a.width, a.height};
        out.push_back(info);
      }
    }
    collect(d, child, out);
  }
}

}  // namespace

std::unique_ptr<XDisplay> XDisplay::open(const std::string& name, std::string* error) {
  XSetErrorHandler(ignoreXError);
  ::Display* d = nullptr;
  if (!pollUntil(Millis(10000), [&] { return (d = XOpenDisplay(name.c_str())) != nullptr; })) {
    *error = "cannot open display " + name;
    return nullptr;
  }
  int eventBase, errorBase, major, minor;
  if (!XTestQueryExtension(d, &eventBase, &errorBase, &major, &minor)) {
    *error = "the X server " + name + " has no XTEST extension";
    XCloseDisplay(d);
    return nullptr;
  }
  std::unique_ptr<XDisplay> x(new XDisplay);
  x->display_ = d;
  x->root_ = DefaultRootWindow(d);
  // Every map of a top-level window is reported, so that a window that shows up only briefly
  // is still seen.
  XSelectInput(d, x->root_, SubstructureNotifyMask);
  XSync(d, False);
  return x;
}

XDisplay::~XDisplay() {
  if (display_) XCloseDisplay(display_);
}

bool XDisplay::hasExtension(const std::string& name) {
  int opcode, event, error;
  return XQueryExtension(display_, name.c_str(), &opcode, &event, &error);
}

void XDisplay::drainEvents() {
  XSync(display_, False);
  while (XPending(display_)) {
    XEvent ev;
    XNextEvent(display_, &ev);
    if (ev.type == MapNotify && ev.xmap.event == root_) {
      std::string title = readTitle(display_, ev.xmap.window);
      mappedTitles_.push_back(title.empty() ? "?" : title);
    }
  }
}

std::vector<std::string> XDisplay::takeMappedTitles() {
  drainEvents();
  return std::exchange(mappedTitles_, {});
}

std::vector<WindowInfo> XDisplay::titledWindows() {
  drainEvents();
  std::vector<WindowInfo> out;
  XGrabServer(display_);  // a consistent tree while it is walked
  collect(display_, root_, out);
  XUngrabServer(display_);
  XSync(display_, False);
  return out;
}

Window XDisplay::findWindow(const std::string& title) {
  for (const auto& w : titledWindows())
    if (w.viewable && w.title == title) return w.id;
  return 0;
}

Window XDisplay::waitForWindow(const std::string& title, Millis timeout, Process* program) {
  Window w = 0;
  pollUntil(timeout, [&] { return (w = findWindow(title)) || (program && !program->running()); });
  return w;
}

bool XDisplay::waitForWindowGone(const std::string& title, Millis timeout) {
  return pollUntil(timeout, [&] { return findWindow(title) == 0; });
}

std::optional<WindowInfo> XDisplay::info(Window window) {
  for (const auto& w : titledWindows())
    if (w.id == window) return w;
  return std::nullopt;
}

std::optional<Rect> XDisplay::childArea(Window window) {
  ::Window root = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  if (!XQueryTree(display_, window, &root, &parent, &children, &count)) return std::nullopt;
  std::optional<Rect> area;
  int viewable = 0;
  for (unsigned i = 0; i < count; ++i) {
    XWindowAttributes a;
    if (!XGetWindowAttributes(display_, children[i], &a) || a.map_state != IsViewable) continue;
    int x = 0, y = 0;
    ::Window ignored = 0;
    XTranslateCoordinates(display_, children[i], root_, 0, 0, &x, &y, &ignored);
    area = Rect{x, y, a.width, a.height};
    ++viewable;
  }
  if (children) XFree(children);
  return viewable == 1 ? area : std::nullopt;
}

bool XDisplay::focus(Window window) {
  XWindowAttributes a;
  if (!XGetWindowAttributes(display_, window, &a) || a.map_state != IsViewable) return false;
  XRaiseWindow(display_, window);
  XSetInputFocus(display_, window, RevertToParent, CurrentTime);
  XSync(display_, False);
  // The server queues the client's FocusIn before any key sent after this, so the focus being
  // the window's is all there is to wait for.
  return pollUntil(kShowTimeout, [&] {
    Window focused = 0;
    int revert = 0;
    XGetInputFocus(display_, &focused, &revert);
    return focused == window;
  });
}

void XDisplay::pressKey(KeySym key) {
  XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, key), True, CurrentTime);
  XSync(display_, False);
}

void XDisplay::releaseKey(KeySym key) {
  XTestFakeKeyEvent(display_, XKeysymToKeycode(display_, key), False, CurrentTime);
  XSync(display_, False);
}

void XDisplay::button(int number, bool down) {
  XTestFakeButtonEvent(display_, number, down, CurrentTime);
  XSync(display_, False);
}

void XDisplay::tapKey(KeySym key, const std::vector<KeySym>& modifiers) {
  // Short pauses, as between real key strokes: clients may poll key state between events.
  for (KeySym m : modifiers) {
    pressKey(m);
    sleepFor(Millis(15));
  }
  pressKey(key);
  sleepFor(Millis(30));
  releaseKey(key);
  for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m) {
    sleepFor(Millis(15));
    releaseKey(*m);
  }
}

void XDisplay::moveMouse(int x, int y) {
  XTestFakeMotionEvent(display_, -1, x, y, CurrentTime);
  XSync(display_, False);
}

void XDisplay::click(int x, int y, int number) {
  moveMouse(x, y);
  sleepFor(Millis(20));
  button(number, true);
  sleepFor(Millis(30));
  button(number, false);
}

void XDisplay::rightDrag(int fromX, int fromY, int toX, int toY, int steps) {
  moveMouse(fromX, fromY);
  sleepFor(Millis(20));
  button(3, true);
  for (int i = 1; i <= steps; ++i) {
    sleepFor(Millis(20));
    moveMouse(fromX + (toX - fromX) * i / steps, fromY + (toY - fromY) * i / steps);
  }
  sleepFor(Millis(20));
  button(3, false);
}

void XDisplay::wheel(int notches) {
  for (int i = 0; i < std::abs(notches); ++i) {
    button(notches > 0 ? 4 : 5, true);
    button(notches > 0 ? 4 : 5, false);
    sleepFor(Millis(20));
  }
}

void XDisplay::requestClose(Window window) {
  XEvent ev{};
  ev.xclient.type = ClientMessage;
  ev.xclient.window = window;
  ev.xclient.message_type = XInternAtom(display_, "WM_PROTOCOLS", False);
  ev.xclient.format = 32;
  ev.xclient.data.l[0] = long(XInternAtom(display_, "WM_DELETE_WINDOW", False));
  ev.xclient.data.l[1] = CurrentTime;
  XSendEvent(display_, window, False, NoEventMask, &ev);
  XSync(display_, False);
}

namespace {

int maskShift(unsigned long mask) {
  int s = 0;
  while (mask && !(mask & 1)) mask >>= 1, ++s;
  return s;
}

Picture toPicture(XImage* xi) {
  Picture img(xi->width, xi->height);
  const int rs = maskShift(xi->red_mask), gs = maskShift(xi->green_mask),
            bs = maskShift(xi->blue_mask);
  const unsigned long rm = xi->red_mask >> rs, gm = xi->green_mask >> gs, bm = xi->blue_mask >> bs;
  auto scale = [](unsigned long v, unsigned long max) { return uint8_t(max ? v * 255 / max : 0); };
  for (int y = 0; y < xi->height; ++y)
    for (int x = 0; x < xi->width; ++x) {
      unsigned long p = XGetPixel(xi, x, y);
      img.set(x, y,
              {scale((p >> rs) & rm, rm), scale((p >> gs) & gm, gm), scale((p >> bs) & bm, bm)});
    }
  return img;
}

}  // namespace

Picture XDisplay::grabScreen() {
  XWindowAttributes a;
  XGetWindowAttributes(display_, root_, &a);
  XImage* xi = XGetImage(display_, root_, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
  if (!xi) return Picture();
  Picture img = toPicture(xi);
  XDestroyImage(xi);
  return img;
}

std::optional<Rect> XDisplay::findBoxText(const Picture& screen, Rect area, const std::string& text,
                                          bool onButton) {
  // Drawn as the box draws it, with the same font, colours and server, the text matches pixel
  // for pixel, its anti-aliased edges included.
  namespace look = platform::boxLook;
  const int screenNo = DefaultScreen(display_);
  XftFont* font =
      XftFontOpenName(display_, screenNo, onButton ? look::buttonFont : look::messageFont);
  if (!font) return std::nullopt;
  XGlyphInfo extents{};
  XftTextExtentsUtf8(display_, font, reinterpret_cast<const FcChar8*>(text.data()),
                     int(text.size()), &extents);
  const int w = extents.xOff + 4, h = font->height + 4;
  Visual* visual = DefaultVisual(display_, screenNo);
  Colormap colormap = DefaultColormap(display_, screenNo);
  const look::Rgb paperRgb = onButton ? look::button : look::background;
  Pixmap pm = XCreatePixmap(display_, root_, w, h, DefaultDepth(display_, screenNo));
  GC gc = XCreateGC(display_, pm, 0, nullptr);
  XSetForeground(display_, gc,
                 (unsigned long)paperRgb.r << 16 | (unsigned long)paperRgb.g << 8 | paperRgb.b);
  XFillRectangle(display_, pm, gc, 0, 0, w, h);
  XftDraw* draw = XftDrawCreate(display_, pm, visual, colormap);
  XRenderColor ink{(unsigned short)(look::text.r * 257), (unsigned short)(look::text.g * 257),
                   (unsigned short)(look::text.b * 257), 0xffff};
  XftColor colour{};
  XftColorAllocValue(display_, visual, colormap, &ink, &colour);
  XftDrawStringUtf8(draw, &colour, font, 2, 2 + font->ascent,
                    reinterpret_cast<const FcChar8*>(text.data()), int(text.size()));
  XImage* xi = XGetImage(display_, pm, 0, 0, w, h, AllPlanes, ZPixmap);
  XftColorFree(display_, visual, colormap, &colour);
  XftDrawDestroy(draw);
  XftFontClose(display_, font);
  XFreeGC(display_, gc);
  XFreePixmap(display_, pm);
  if (!xi) return std::nullopt;
  // A pixmap has no visual, so its image comes without colour masks.
  xi->red_mask = visual->red_mask, xi->green_mask = visual->green_mask;
  xi->blue_mask = visual->blue_mask;
  Picture glyphs = toPicture(xi);
  XDestroyImage(xi);

  // The template: every pixel of the ink's bounding box.
  const Rgb paper{paperRgb.r, paperRgb.g, paperRgb.b};
  int minX = w, minY = h, maxX = -1, maxY = -1;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      if (glyphs.at(x, y) != paper) {
        minX = std::min(minX, x), maxX = std::max(maxX, x);
        minY = std::min(minY, y), maxY = std::max(maxY, y);
      }
  if (maxX < 0) return std::nullopt;
  const int tw = maxX - minX + 1, th = maxY - minY + 1;
  const int x0 = std::max(0, area.x), y0 = std::max(0, area.y);
  const int x1 = std::min(screen.width, area.x + area.width) - tw;
  const int y1 = std::min(screen.height, area.y + area.height) - th;
  for (int y = y0; y <= y1; ++y)
    for (int x = x0; x <= x1; ++x) {
      bool match = true;
      for (int dy = 0; dy < th && match; ++dy)
        for (int dx = 0; dx < tw && match; ++dx)
          match = screen.at(x + dx, y + dy) == glyphs.at(minX + dx, minY + dy);
      if (match) return Rect{x, y, tw, th};
    }
  return std::nullopt;
}

std::string screenshot(XDisplay& display, const std::string& step) {
  const std::string path = artifactPath(step, "png");
  Picture screen = display.grabScreen();
  if (screen.empty() || !writePng(screen, path))
    return "\n(could not save a screenshot to " + path + ")";
  return "\nscreen at this step: " + path;
}

void keepScreenshot(XDisplay& display, const std::string& step) {
  const char* wanted = std::getenv("WAGGLER_E2E_SCREENSHOTS");
  if (wanted && std::string(wanted) == "1")
    writePng(display.grabScreen(), artifactPath(step, "png"));
}

}  // namespace e2e
