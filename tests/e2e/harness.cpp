#include "tests/e2e/harness.h"

// GoogleTest before Xlib, whose macros (None, Bool) would break it.
// clang-format off
#include <gtest/gtest.h>
// clang-format on

#include <X11/Xatom.h>
#include <X11/Xft/Xft.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <strings.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <thread>
#include <unordered_set>

#include "platform/linux/box_look.h"

extern char** environ;

namespace e2e {
namespace {

constexpr Millis kPollStep{10};

void sleepFor(Millis d) {
  std::this_thread::sleep_for(d);
}

std::string errnoText(const std::string& what) {
  return what + ": " + std::strerror(errno);
}

}  // namespace

// --- Processes ------------------------------------------------------------------------------

namespace {

// Closing the fds above 2 keeps the test's X connection and pipes out of the program.
pid_t spawn(const std::vector<std::string>& argv, const Env& env, const std::string& logPath,
            int passFd, std::string* error) {
  std::map<std::string, std::string> merged;
  for (char** e = environ; *e; ++e) {
    const char* eq = std::strchr(*e, '=');
    if (eq) merged[std::string(const_cast<const char*>(*e), eq)] = eq + 1;
  }
  for (const auto& [name, value] : env) {
    if (value.empty())
      merged.erase(name);
    else
      merged[name] = value;
  }
  std::vector<std::string> envStrings;
  for (const auto& [name, value] : merged) envStrings.push_back(name + "=" + value);
  std::vector<char*> envp, args;
  for (auto& s : envStrings) envp.push_back(s.data());
  envp.push_back(nullptr);
  std::vector<std::string> argCopy = argv;
  for (auto& s : argCopy) args.push_back(s.data());
  args.push_back(nullptr);

  int logFd = -1;
  if (!logPath.empty()) {
    logFd = ::open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
    if (logFd < 0) {
      *error = errnoText("cannot open " + logPath);
      return -1;
    }
  }
  int errPipe[2];
  if (pipe2(errPipe, O_CLOEXEC) != 0) {
    *error = errnoText("pipe");
    if (logFd >= 0) ::close(logFd);
    return -1;
  }
  const long maxFd = std::min(sysconf(_SC_OPEN_MAX), 4096L);
  pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    if (logFd >= 0) {
      dup2(logFd, 1);
      dup2(logFd, 2);
    }
    int devnull = ::open("/dev/null", O_RDONLY);
    if (devnull >= 0) dup2(devnull, 0);
    int errFd = errPipe[1];
    if (passFd >= 0 && errFd == 3) errFd = fcntl(3, F_DUPFD_CLOEXEC, 10);
    if (passFd >= 0) {
      if (passFd == 3) {
        fcntl(3, F_SETFD, 0);
      } else {
        dup2(passFd, 3);
      }
    }
    for (int fd = passFd >= 0 ? 4 : 3; fd < maxFd; ++fd)
      if (fd != errFd) ::close(fd);
    execvpe(args[0], args.data(), envp.data());
    int code = errno;
    (void)!write(errFd, &code, sizeof code);
    _exit(127);
  }
  ::close(errPipe[1]);
  if (logFd >= 0) ::close(logFd);
  if (pid < 0) {
    *error = errnoText("fork");
    ::close(errPipe[0]);
    return -1;
  }
  // Also set here, so that the group exists before the parent may signal it.
  setpgid(pid, pid);
  int code = 0;
  ssize_t got = read(errPipe[0], &code, sizeof code);
  ::close(errPipe[0]);
  if (got == sizeof code) {
    waitpid(pid, nullptr, 0);
    errno = code;
    *error = errnoText("cannot start " + argv[0]);
    return -1;
  }
  return pid;
}

}  // namespace

std::unique_ptr<Process> Process::start(const std::vector<std::string>& argv, const Env& env,
                                        const std::string& logPath, std::string* error,
                                        int passFd) {
  std::string ignored;
  pid_t pid = spawn(argv, env, logPath, passFd, error ? error : &ignored);
  if (pid < 0) return nullptr;
  std::unique_ptr<Process> p(new Process);
  p->pid_ = pid;
  return p;
}

Process::~Process() {
  if (pid_ > 0 && !exitCode_) kill();
  // The leader may be gone while something it forked (a message box) lives on.
  if (pid_ > 0) ::kill(-pid_, SIGKILL);
}

bool Process::running() {
  return !waitExit(Millis(0)).has_value();
}

std::optional<int> Process::waitExit(Millis timeout) {
  if (exitCode_) return exitCode_;
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    int status = 0;
    pid_t r = waitpid(pid_, &status, WNOHANG);
    if (r == pid_) {
      exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
      return exitCode_;
    }
    if (Clock::now() >= deadline) return std::nullopt;
    sleepFor(kPollStep);
  }
}

void Process::kill() {
  if (exitCode_) return;
  ::kill(-pid_, SIGKILL);
  ::kill(pid_, SIGKILL);
  int status = 0;
  if (waitpid(pid_, &status, 0) == pid_)
    exitCode_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  else
    exitCode_ = -1;
}

RunResult runCommand(const std::vector<std::string>& argv, const Env& env, Millis timeout) {
  RunResult result;
  char logTemplate[] = "/tmp/waggler-e2e-XXXXXX";
  int fd = mkstemp(logTemplate);
  if (fd < 0) {
    result.output = errnoText("mkstemp");
    return result;
  }
  ::close(fd);
  std::string error;
  auto p = Process::start(argv, env, logTemplate, &error);
  if (!p) {
    ::unlink(logTemplate);
    result.output = error;
    return result;
  }
  auto code = p->waitExit(timeout);
  if (!code) p->kill();
  result.finished = code.has_value();
  result.exitCode = code.value_or(-1);
  std::ifstream in(logTemplate);
  result.output.assign(std::istreambuf_iterator<char>(in), {});
  ::unlink(logTemplate);
  return result;
}

// --- The X server ---------------------------------------------------------------------------

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
  std::unique_ptr<XServer> server(new XServer);
  const std::string log = artifactPath("xvfb", "log");
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
  server->name_ = ":" + number;
  return server;
}

XServer::~XServer() {
  if (!process_ || process_->exitCode()) return;
  ::kill(process_->pid(), SIGTERM);
  if (!process_->waitExit(Millis(5000))) process_->kill();
}

// --- Pictures -------------------------------------------------------------------------------

int dialPixels(const Image& screen, Rect area) {
  int count = 0;
  for (int y = std::max(0, area.y); y < std::min(screen.height(), area.y + area.height); ++y)
    for (int x = std::max(0, area.x); x < std::min(screen.width(), area.x + area.width); ++x) {
      const Rgb p = screen.at(x, y);
      count += p.r > 200 && p.g > 100 && p.b < 80;
    }
  return count;
}

size_t Image::distinctColours(Rect area) const {
  std::unordered_set<uint32_t> seen;
  const int x0 = std::max(0, area.x), y0 = std::max(0, area.y);
  const int x1 = std::min(width_, area.x + area.width);
  const int y1 = std::min(height_, area.y + area.height);
  for (int y = y0; y < y1; ++y)
    for (int x = x0; x < x1; ++x) {
      Rgb c = at(x, y);
      seen.insert(uint32_t(c.r) << 16 | uint32_t(c.g) << 8 | c.b);
    }
  return seen.size();
}

namespace {

uint32_t crc32(const uint8_t* data, size_t n, uint32_t crc = 0) {
  static const std::array<uint32_t, 256> table = [] {
    std::array<uint32_t, 256> t{};
    for (uint32_t i = 0; i < 256; ++i) {
      uint32_t c = i;
      for (int k = 0; k < 8; ++k) c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
      t[i] = c;
    }
    return t;
  }();
  crc = ~crc;
  for (size_t i = 0; i < n; ++i) crc = table[(crc ^ data[i]) & 0xFF] ^ (crc >> 8);
  return ~crc;
}

void putBe32(std::string& out, uint32_t v) {
  out += char(v >> 24), out += char(v >> 16), out += char(v >> 8), out += char(v);
}

void pngChunk(std::string& out, const char* type, const std::string& body) {
  putBe32(out, uint32_t(body.size()));
  std::string typed = std::string(type, 4) + body;
  out += typed;
  putBe32(out, crc32(reinterpret_cast<const uint8_t*>(typed.data()), typed.size()));
}

}  // namespace

bool Image::savePng(const std::string& path) const {
  // Rows with filter 0, wrapped in a zlib stream of stored (uncompressed) blocks: no library
  // needed, and the files only exist for failures.
  std::string raw;
  raw.reserve(size_t(height_) * (width_ * 3 + 1));
  for (int y = 0; y < height_; ++y) {
    raw += '\0';
    raw.append(reinterpret_cast<const char*>(&rgb_[size_t(y) * width_ * 3]), width_ * 3);
  }
  std::string z = "\x78\x01";
  for (size_t at = 0; at < raw.size() || raw.empty();) {
    size_t n = std::min<size_t>(65535, raw.size() - at);
    bool last = at + n == raw.size();
    z += char(last ? 1 : 0);
    z += char(n & 0xFF), z += char(n >> 8), z += char(~n & 0xFF), z += char((~n >> 8) & 0xFF);
    z.append(raw, at, n);
    at += n;
    if (last) break;
  }
  uint32_t a = 1, b = 0;
  for (unsigned char c : raw) a = (a + c) % 65521, b = (b + a) % 65521;
  putBe32(z, b << 16 | a);

  std::string png = "\x89PNG\r\n\x1a\n";
  std::string ihdr;
  putBe32(ihdr, width_);
  putBe32(ihdr, height_);
  ihdr += std::string("\x08\x02\x00\x00\x00", 5);
  pngChunk(png, "IHDR", ihdr);
  pngChunk(png, "IDAT", z);
  pngChunk(png, "IEND", "");
  std::ofstream out(path, std::ios::binary);
  out.write(png.data(), png.size());
  return bool(out);
}

// --- The X display ----------------------------------------------------------------------------

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
  const auto deadline = Clock::now() + Millis(10000);
  while (!(d = XOpenDisplay(name.c_str())) && Clock::now() < deadline) sleepFor(Millis(50));
  if (!d) {
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

void XDisplay::sync() {
  XSync(display_, False);
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

Window XDisplay::waitForWindow(const std::string& title, Millis timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    if (Window w = findWindow(title)) return w;
    if (Clock::now() >= deadline) return 0;
    sleepFor(Millis(25));
  }
}

bool XDisplay::waitForWindowGone(const std::string& title, Millis timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    if (!findWindow(title)) return true;
    if (Clock::now() >= deadline) return false;
    sleepFor(Millis(25));
  }
}

std::optional<WindowInfo> XDisplay::info(Window window) {
  for (const auto& w : titledWindows())
    if (w.id == window) return w;
  return std::nullopt;
}

bool XDisplay::focus(Window window) {
  XWindowAttributes a;
  if (!XGetWindowAttributes(display_, window, &a) || a.map_state != IsViewable) return false;
  XRaiseWindow(display_, window);
  XSetInputFocus(display_, window, RevertToParent, CurrentTime);
  XSync(display_, False);
  Window focused = 0;
  int revert = 0;
  XGetInputFocus(display_, &focused, &revert);
  // Give the client a moment to take in its FocusIn before keys arrive.
  sleepFor(Millis(50));
  return focused == window;
}

void XDisplay::pressKey(KeySym key) {
  KeyCode code = XKeysymToKeycode(display_, key);
  XTestFakeKeyEvent(display_, code, True, CurrentTime);
  XSync(display_, False);
}

void XDisplay::releaseKey(KeySym key) {
  KeyCode code = XKeysymToKeycode(display_, key);
  XTestFakeKeyEvent(display_, code, False, CurrentTime);
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

void XDisplay::click(int x, int y, int button) {
  moveMouse(x, y);
  sleepFor(Millis(20));
  XTestFakeButtonEvent(display_, button, True, CurrentTime);
  XSync(display_, False);
  sleepFor(Millis(30));
  XTestFakeButtonEvent(display_, button, False, CurrentTime);
  XSync(display_, False);
}

void XDisplay::rightDrag(int fromX, int fromY, int toX, int toY, int steps) {
  moveMouse(fromX, fromY);
  sleepFor(Millis(20));
  XTestFakeButtonEvent(display_, 3, True, CurrentTime);
  XSync(display_, False);
  for (int i = 1; i <= steps; ++i) {
    sleepFor(Millis(20));
    moveMouse(fromX + (toX - fromX) * i / steps, fromY + (toY - fromY) * i / steps);
  }
  sleepFor(Millis(20));
  XTestFakeButtonEvent(display_, 3, False, CurrentTime);
  XSync(display_, False);
}

void XDisplay::wheel(int notches) {
  const int button = notches > 0 ? 4 : 5;
  for (int i = 0; i < std::abs(notches); ++i) {
    XTestFakeButtonEvent(display_, button, True, CurrentTime);
    XTestFakeButtonEvent(display_, button, False, CurrentTime);
    XSync(display_, False);
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

Image toImage(XImage* xi) {
  Image img(xi->width, xi->height);
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

Image XDisplay::grabScreen() {
  XWindowAttributes a;
  XGetWindowAttributes(display_, root_, &a);
  XImage* xi = XGetImage(display_, root_, 0, 0, a.width, a.height, AllPlanes, ZPixmap);
  if (!xi) return Image();
  Image img = toImage(xi);
  XDestroyImage(xi);
  return img;
}

std::optional<Rect> XDisplay::findBoxText(const Image& screen, Rect area, const std::string& text,
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
  Image glyphs = toImage(xi);
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
  const int x1 = std::min(screen.width(), area.x + area.width) - tw;
  const int y1 = std::min(screen.height(), area.y + area.height) - th;
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

// --- Screenshots of failures ------------------------------------------------------------------

std::string artifactPath(const std::string& step, const std::string& extension) {
  std::string test = "harness";
  if (const auto* info = ::testing::UnitTest::GetInstance()->current_test_info())
    test = std::string(info->test_suite_name()) + "." + info->name();
  std::string name = test + "-" + step;
  for (char& c : name)
    if (!std::isalnum(static_cast<unsigned char>(c)) && c != '.' && c != '-' && c != '_') c = '_';
  std::filesystem::create_directories(WAGGLER_E2E_ARTIFACTS);
  return std::string(WAGGLER_E2E_ARTIFACTS) + "/" + name + "." + extension;
}

std::string screenshot(XDisplay& display, const std::string& step) {
  const std::string path = artifactPath(step, "png");
  Image screen = display.grabScreen();
  if (screen.empty() || !screen.savePng(path))
    return "\n(could not save a screenshot to " + path + ")";
  return "\nscreen at this step: " + path;
}

void keepScreenshot(XDisplay& display, const std::string& step) {
  const char* wanted = std::getenv("WAGGLER_E2E_SCREENSHOTS");
  if (wanted && std::string(wanted) == "1") display.grabScreen().savePng(artifactPath(step, "png"));
}

std::string fileTail(const std::string& path, size_t maxBytes) {
  std::ifstream in(path, std::ios::binary);
  if (!in) return "(no file " + path + ")";
  std::string text((std::istreambuf_iterator<char>(in)), {});
  if (text.size() > maxBytes) text = "..." + text.substr(text.size() - maxBytes);
  return text.empty() ? "(empty)" : text;
}

// --- Wine ---------------------------------------------------------------------------------------

Env wineEnv(const std::string& prefix) {
  return {{"WINEPREFIX", prefix}, {"WINEDEBUG", "-all"}, {"WINEDLLOVERRIDES", "mscoree,mshtml="}};
}

void stopWine(const WineTools& tools, const std::string& prefix) {
  if (!std::filesystem::exists(prefix)) return;
  runCommand({tools.wineserver, "-k"}, wineEnv(prefix), Millis(30000));
  runCommand({tools.wineserver, "-w"}, wineEnv(prefix), Millis(30000));
}

bool prepareWinePrefix(const WineTools& tools, const std::string& prefix, bool fresh,
                       std::string* error) {
  namespace fs = std::filesystem;
  const std::string marker = prefix + "/.waggler-prefix-ready";
  fs::create_directories(fs::path(prefix).parent_path());
  int lock = ::open((prefix + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
  if (lock < 0 || flock(lock, LOCK_EX) != 0) {
    *error = errnoText("cannot lock " + prefix + ".lock");
    if (lock >= 0) ::close(lock);
    return false;
  }
  struct Unlock {
    int fd;
    ~Unlock() { ::close(fd); }
  } unlock{lock};
  if (!fresh && fs::exists(marker)) return true;

  stopWine(tools, prefix);
  std::error_code ec;
  fs::remove_all(prefix, ec);
  Env env = wineEnv(prefix);
  env.push_back({"DISPLAY", ""});  // no windows while the prefix is made
  RunResult boot = runCommand({tools.wineboot, "-i"}, env, Millis(180000));
  if (!boot.finished || boot.exitCode != 0) {
    *error =
        "wineboot -i failed (" +
        std::string(boot.finished ? "exit code " + std::to_string(boot.exitCode) : "timed out") +
        "): " + boot.output;
    return false;
  }
  RunResult reg = runCommand({tools.wine, "reg", "add", "HKCU\\Software\\Wine\\X11 Driver", "/v",
                              "Managed", "/d", "N", "/f"},
                             env, Millis(60000));
  if (!reg.finished || reg.exitCode != 0) {
    *error = "wine reg add Managed=N failed: " + reg.output;
    return false;
  }
  // The server writes the registry to disk when it ends.
  stopWine(tools, prefix);
  std::ifstream userReg(prefix + "/user.reg");
  std::string text((std::istreambuf_iterator<char>(userReg)), {});
  const auto section = text.find("[Software\\\\Wine\\\\X11 Driver]");
  if (section == std::string::npos ||
      text.find("\"Managed\"=\"N\"", section) == std::string::npos) {
    *error = "the prefix's user.reg lacks \"Managed\"=\"N\" under Software\\Wine\\X11 Driver";
    return false;
  }
  std::ofstream(marker) << "made by the e2e harness\n";
  return true;
}

}  // namespace e2e

namespace e2e {

WineTools configuredWineTools() {
  return {WAGGLER_E2E_WINE, WAGGLER_E2E_WINEBOOT, WAGGLER_E2E_WINESERVER};
}

std::string configuredWinePrefix() {
  return WAGGLER_E2E_WINE_PREFIX;
}

const char* buildName(Build build) {
  return build == Build::kLinux ? "the Linux program" : "the .exe under Wine";
}

void PrintTo(Build build, std::ostream* out) {
  *out << (build == Build::kLinux ? "waggler" : "waggler.exe");
}

namespace {

// faketime's wrapper keeps a shared clock named after its pid, and removes it only when it ends
// by itself; killed, it leaves it behind, and a later wrapper that gets the same pid cannot
// start ("sem_open: File exists").
void removeFakedClock(pid_t pid) {
  ::unlink(("/dev/shm/faketime_shm_" + std::to_string(pid)).c_str());
  ::unlink(("/dev/shm/sem.faketime_sem_" + std::to_string(pid)).c_str());
}

// The shared clocks of wrappers no longer running, whoever killed them.
void removeStaleFakedClocks() {
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator("/dev/shm", error)) {
    const std::string name = entry.path().filename();
    for (const std::string prefix : {"faketime_shm_", "sem.faketime_sem_"}) {
      if (name.rfind(prefix, 0) != 0) continue;
      const pid_t pid = std::atoi(name.c_str() + prefix.size());
      if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH) removeFakedClock(pid);
    }
  }
}

}  // namespace

std::unique_ptr<ClockSession> ClockSession::start(Build build, const SessionOptions& options,
                                                  std::string* error) {
  std::unique_ptr<ClockSession> s(new ClockSession);
  s->build_ = build;
  s->logPath_ = artifactPath("program", "log");
  std::vector<std::string> argv;
  Env env = {{"LIBGL_ALWAYS_SOFTWARE", "1"}, {"WAYLAND_DISPLAY", ""}};
  if (build == Build::kWindows) {
    const std::string exe = options.program.empty() ? WAGGLER_E2E_WINDOWS_EXE : options.program;
    if (!std::filesystem::exists(exe)) {
      *error = "no Windows program at " + exe +
               " (build it with `cmake --preset windows && cmake --build --preset windows`, or "
               "point WAGGLER_WINDOWS_EXE at it)";
      return nullptr;
    }
    const WineTools tools = configuredWineTools();
    if (!prepareWinePrefix(tools, configuredWinePrefix(), false, error)) return nullptr;
    // Leftovers of an earlier run would hold windows on a server that is gone.
    stopWine(tools, configuredWinePrefix());
    argv = {tools.wine, exe};
    for (auto& e : wineEnv(configuredWinePrefix())) env.push_back(e);
  } else {
    argv = {options.program.empty() ? std::string(WAGGLER_E2E_LINUX_PROGRAM) : options.program};
    env.push_back({"SDL_VIDEODRIVER", "x11"});
  }
  if (!options.fixedTime.empty()) {
    removeStaleFakedClocks();
    argv.insert(argv.begin(), {WAGGLER_E2E_FAKETIME, "-f", options.fixedTime});
    s->fakedTime_ = true;
    // File times stay true: Wine takes a shifted time stamp of its prefix for an outdated
    // prefix and rebuilds it, seconds per start.
    env.push_back({"NO_FAKE_STAT", "1"});
  }
  if (!options.timeFile.empty()) {
    env.push_back({"LD_PRELOAD", WAGGLER_E2E_LIBFAKETIME});
    env.push_back({"FAKETIME_TIMESTAMP_FILE", options.timeFile});
    env.push_back({"FAKETIME_NO_CACHE", "1"});
  }
  for (auto& e : options.env) env.push_back(e);

  s->server_ = XServer::start(options.xvfbArgs, error);
  if (!s->server_) return nullptr;
  s->display_ = XDisplay::open(s->server_->displayName(), error);
  if (!s->display_) return nullptr;
  env.push_back({"DISPLAY", s->server_->displayName()});
  s->process_ = Process::start(argv, env, s->logPath_, error);
  if (!s->process_) return nullptr;
  return s;
}

ClockSession::~ClockSession() {
  if (process_) process_->kill();
  if (process_ && fakedTime_) removeFakedClock(process_->pid());
  if (build_ == Build::kWindows) stopWine(configuredWineTools(), configuredWinePrefix());
  display_.reset();
  server_.reset();
}

std::string ClockSession::context(const std::string& step) {
  return screenshot(*display_, step) + "\noutput of " + buildName(build_) + ":\n" + log();
}

Window ClockSession::waitForWindow(const std::string& title, Millis timeout) {
  const auto deadline = Clock::now() + timeout;
  for (;;) {
    if (Window w = display_->findWindow(title)) return w;
    if (!process_->running() || Clock::now() >= deadline) return 0;
    std::this_thread::sleep_for(Millis(25));
  }
}

void ClockSession::answerYes() {
  display_->tapKey(XK_Return);
}

void ClockSession::answerNo() {
  display_->tapKey(build_ == Build::kLinux ? XK_Escape : XK_n);
}

namespace {

struct Control {
  std::string cls, text;
  bool visible = false;
  Rect frame;
};

std::string withoutMnemonics(std::string s) {
  s.erase(std::remove(s.begin(), s.end(), '&'), s.end());
  return s;
}

// The controls of a Wine window, listed by our probe inside the prefix: the only way to read
// what a Windows dialog says (its children are no X windows).
std::optional<std::vector<Control>> probeControls(const std::string& displayName,
                                                  const std::string& title, std::string* error) {
  Env env = wineEnv(configuredWinePrefix());
  env.push_back({"DISPLAY", displayName});
  RunResult r =
      runCommand({configuredWineTools().wine, WAGGLER_E2E_WINE_PROBE, title}, env, Millis(30000));
  if (!r.finished || r.exitCode != 0) {
    *error = "the probe found no window titled \"" + title + "\" (exit code " +
             std::to_string(r.exitCode) + "): " + r.output;
    return std::nullopt;
  }
  std::vector<Control> controls;
  std::istringstream lines(r.output);
  std::string line;
  while (std::getline(lines, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    // class|visible|x,y,w,h|text
    std::istringstream fields(line);
    Control c;
    std::string visible, frame;
    if (!std::getline(fields, c.cls, '|') || !std::getline(fields, visible, '|') ||
        !std::getline(fields, frame, '|'))
      continue;
    std::getline(fields, c.text);
    c.visible = visible == "1";
    std::sscanf(frame.c_str(), "%d,%d,%d,%d", &c.frame.x, &c.frame.y, &c.frame.width,
                &c.frame.height);
    controls.push_back(c);
  }
  return controls;
}

std::string joined(const std::vector<std::string>& items) {
  std::string s;
  for (const auto& i : items) s += (s.empty() ? "\"" : ", \"") + i + "\"";
  return s.empty() ? "nothing" : s;
}

}  // namespace

std::string ClockSession::checkMessageBox(const std::string& title, const std::string& text,
                                          const std::vector<std::string>& buttons) {
  Window box = display_->findWindow(title);
  if (!box) return "no window titled \"" + title + "\"";
  if (build_ == Build::kWindows) {
    std::string error;
    auto controls = probeControls(server_->displayName(), title, &error);
    if (!controls) return error;
    std::vector<std::string> texts, labels;
    for (const auto& c : *controls) {
      if (!c.visible) continue;
      if (strcasecmp(c.cls.c_str(), "Static") == 0 && !c.text.empty()) texts.push_back(c.text);
      if (strcasecmp(c.cls.c_str(), "Button") == 0) labels.push_back(withoutMnemonics(c.text));
    }
    std::string problems;
    if (std::find(texts.begin(), texts.end(), text) == texts.end())
      problems += "expected the text \"" + text + "\", the box shows " + joined(texts) + "; ";
    if (labels != buttons)
      problems += "expected the buttons " + joined(buttons) + ", the box has " + joined(labels);
    return problems;
  }
  auto info = display_->info(box);
  if (!info) return "the window titled \"" + title + "\" went away while it was read";
  Image screen = display_->grabScreen();
  std::string problems;
  if (!display_->findBoxText(screen, info->frame, text, false))
    problems += "expected the text \"" + text + "\" in the box; ";
  for (const auto& label : buttons)
    if (!display_->findBoxText(screen, info->frame, label, true))
      problems += "expected a button \"" + label + "\" in the box; ";
  return problems;
}

std::string ClockSession::waitForMessageBox(const std::string& title, const std::string& text,
                                            const std::vector<std::string>& buttons,
                                            Millis timeout) {
  const auto deadline = Clock::now() + timeout;
  std::string problems;
  while (!(problems = checkMessageBox(title, text, buttons)).empty() && Clock::now() < deadline)
    std::this_thread::sleep_for(Millis(100));
  return problems;
}

std::optional<Rect> ClockSession::drawnClientArea(Window clock, Millis timeout) {
  // Wine may move and size its window after mapping it, and erases the client area to white
  // before the first frame, which a loaded machine draws late. Wine draws its own frame and
  // caption around the client area.
  const auto deadline = Clock::now() + timeout;
  Rect previous{-1, -1, -1, -1};
  while (Clock::now() < deadline) {
    if (auto info = display_->info(clock)) {
      const Rect& f = info->frame;
      const Rect client =
          build_ == Build::kLinux ? f : Rect{f.x + 4, f.y + 23, f.width - 8, f.height - 27};
      const bool unmoved = f.x == previous.x && f.y == previous.y && f.width == previous.width &&
                           f.height == previous.height;
      previous = f;
      if (unmoved && dialPixels(display_->grabScreen(), client) > client.width * client.height / 2)
        return client;
    }
    std::this_thread::sleep_for(Millis(50));
  }
  return std::nullopt;
}

std::optional<std::pair<int, int>> ClockSession::buttonCentre(const std::string& title,
                                                              const std::string& label) {
  Window box = display_->findWindow(title);
  if (!box) return std::nullopt;
  if (build_ == Build::kWindows) {
    std::string error;
    auto controls = probeControls(server_->displayName(), title, &error);
    if (!controls) return std::nullopt;
    for (const auto& c : *controls)
      if (c.visible && strcasecmp(c.cls.c_str(), "Button") == 0 &&
          withoutMnemonics(c.text) == label)
        return std::make_pair(c.frame.x + c.frame.width / 2, c.frame.y + c.frame.height / 2);
    return std::nullopt;
  }
  auto info = display_->info(box);
  if (!info) return std::nullopt;
  auto at = display_->findBoxText(display_->grabScreen(), info->frame, label, true);
  if (!at) return std::nullopt;
  return std::make_pair(at->x + at->width / 2, at->y + at->height / 2);
}

}  // namespace e2e
