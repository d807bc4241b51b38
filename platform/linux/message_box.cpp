// Our message box: an X11 window on a connection of the boxes' own, drawn with Xft in the
// desktop's sans-serif face. It never blocks: the modal loop asks it, on the GUI thread, between
// the messages it dispatches. Its keys are a Windows Yes/No box's, acting on press: Y and N, Tab
// and the arrows between the buttons, Space and Return press the focused one (Yes first); Escape
// answers No, as Linux dialogs do.
#include "platform/linux/message_box.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xft/Xft.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/keysym.h>

#include <algorithm>
#include <string>
#include <vector>

#include "platform/linux/box_look.h"
#include "platform/linux/desktop_scale.h"
#include "platform/linux/x_link.h"

namespace {

namespace look = platform::boxLook;

// Lengths on an unscaled desktop. On a scaled one they grow with the text, whose points Xft
// turns into pixels at the desktop's Xft.dpi by itself.
const int basePadding = 12;
const int baseMinButtonWidth = 80;
const int baseMinWidth = 240;
const int baseCorner = 5;

// A window may vanish between our calls, and a focus request may come early: harmless.
int ignoreXError(Display*, XErrorEvent*) {
  return 0;
}

// Our X calls run with errors ignored; the errors are collected before the handler goes back.
struct XErrorsIgnored {
  explicit XErrorsIgnored(Display* d) : display(d), previous(XSetErrorHandler(ignoreXError)) {}
  ~XErrorsIgnored() {
    XSync(display, False);
    XSetErrorHandler(previous);
  }
  Display* display;
  XErrorHandler previous;
};

// The boxes' own connection, opened for the first box and kept. Closed and opened again, it
// often came back at the same Display address, where state that the drawing libraries keep per
// connection had outlived the old one: the new one's first requests failed and the box showed
// no text.
Display* boxDisplay() {
  static Display* display = XOpenDisplay(nullptr);
  return display;
}

class XBox : public platform::Box {
 public:
  ~XBox() override;
  bool answered(int* answer) override;
  platform::HeldKeys keysHeld() override;
  bool open(const platform::BoxRequest& request);

 private:
  struct Button {
    std::string label;
    int id;
    XRectangle area;
  };
  unsigned long pixel(look::Rgb rgb);
  int textWidth(XftFont* font, const std::string& text);
  void takeLinesAndButtons(const platform::BoxRequest& request);
  void measure();
  Window centreOver(SDL_Window* owner, int* left, int* top);
  void createWindow(int left, int top);
  void describeToWindowManager(const std::string& caption, Window ownerWindow, int left, int top);
  void fillRounded(const XRectangle& r, int radius);
  void draw();
  int buttonAt(int x, int y) const;
  bool key(XKeyEvent& event, int* answer);

  Display* display_ = nullptr;
  Window window_ = 0;
  GC gc_ = nullptr;
  XftDraw* draw_ = nullptr;
  XftFont* messageFont_ = nullptr;
  XftFont* buttonFont_ = nullptr;
  XftColor text_ = {};
  unsigned long background_ = 0, button_ = 0, border_ = 0, focus_ = 0;
  bool textAllocated_ = false;
  Atom deleteWindow_ = 0;
  std::vector<std::string> lines_;
  std::vector<Button> buttons_;
  int width_ = 0, height_ = 0;
  const int padding_ = platform::toScreenPixels(basePadding);
  const int minButtonWidth_ = platform::toScreenPixels(baseMinButtonWidth);
  const int minWidth_ = platform::toScreenPixels(baseMinWidth);
  const int corner_ = platform::toScreenPixels(baseCorner);
  int focused_ = 0, clicked_ = -1, dismissed_ = IDOK;
  // Keys down as the box opened: their repeats are no answer; each counts again once released.
  platform::HeldKeys heldAtOpen_;
};

bool XBox::open(const platform::BoxRequest& request) {
  display_ = boxDisplay();
  if (!display_) return false;
  XErrorsIgnored ignored(display_);
  const int screen = DefaultScreen(display_);
  messageFont_ = XftFontOpenName(display_, screen, look::messageFont);
  buttonFont_ = XftFontOpenName(display_, screen, look::buttonFont);
  if (!messageFont_ || !buttonFont_) return false;
  const XRenderColor text = {static_cast<unsigned short>(look::text.r * 257),
                             static_cast<unsigned short>(look::text.g * 257),
                             static_cast<unsigned short>(look::text.b * 257), 0xffff};
  textAllocated_ = XftColorAllocValue(display_, DefaultVisual(display_, screen),
                                      DefaultColormap(display_, screen), &text, &text_);
  if (!textAllocated_) return false;

  dismissed_ = platform::dismissedAnswer(request.type);
  background_ = pixel(look::background);
  button_ = pixel(look::button);
  border_ = pixel(look::border);
  focus_ = pixel(look::focus);
  takeLinesAndButtons(request);
  measure();
  int left = 0, top = 0;
  const Window ownerWindow = centreOver(request.owner, &left, &top);
  createWindow(left, top);
  describeToWindowManager(request.caption, ownerWindow, left, top);
  draw_ = XftDrawCreate(display_, window_, DefaultVisual(display_, screen),
                        DefaultColormap(display_, screen));
  if (!draw_) return false;
  heldAtOpen_ = platform::HeldKeys::downNow(display_);
  // Held keys then repeat as presses alone, with one release at the end.
  XkbSetDetectableAutoRepeat(display_, True, nullptr);
  XMapRaised(display_, window_);
  return true;
}

XBox::~XBox() {
  if (!display_) return;
  XErrorsIgnored ignored(display_);
  const int screen = DefaultScreen(display_);
  if (draw_) XftDrawDestroy(draw_);
  if (textAllocated_)
    XftColorFree(display_, DefaultVisual(display_, screen), DefaultColormap(display_, screen),
                 &text_);
  if (messageFont_) XftFontClose(display_, messageFont_);
  if (buttonFont_) XftFontClose(display_, buttonFont_);
  if (gc_) XFreeGC(display_, gc_);
  if (window_) XDestroyWindow(display_, window_);
}

unsigned long XBox::pixel(look::Rgb rgb) {
  XColor c = {};
  c.red = static_cast<unsigned short>(rgb.r * 257);
  c.green = static_cast<unsigned short>(rgb.g * 257);
  c.blue = static_cast<unsigned short>(rgb.b * 257);
  const int screen = DefaultScreen(display_);
  if (!XAllocColor(display_, DefaultColormap(display_, screen), &c))
    return WhitePixel(display_, screen);
  return c.pixel;
}

int XBox::textWidth(XftFont* font, const std::string& text) {
  XGlyphInfo extents = {};
  XftTextExtentsUtf8(display_, font, reinterpret_cast<const FcChar8*>(text.data()),
                     static_cast<int>(text.size()), &extents);
  return extents.xOff;
}

// The text's lines, and the buttons the box's type asks for.
void XBox::takeLinesAndButtons(const platform::BoxRequest& request) {
  std::string rest = request.text;
  for (;;) {
    const auto newline = rest.find('\n');
    lines_.push_back(rest.substr(0, newline));
    if (newline == std::string::npos) break;
    rest.erase(0, newline + 1);
  }
  if (platform::dismissedAnswer(request.type) == IDNO)
    buttons_ = {{"Yes", IDYES, {}}, {"No", IDNO, {}}};
  else
    buttons_ = {{"OK", IDOK, {}}};
}

// The box's size from its text and buttons, and where each button sits.
void XBox::measure() {
  const int lineHeight = messageFont_->height;
  int textWide = 0;
  for (const std::string& line : lines_)
    textWide = std::max(textWide, textWidth(messageFont_, line));
  int buttonWide = minButtonWidth_;
  for (const Button& button : buttons_)
    buttonWide = std::max(buttonWide, textWidth(buttonFont_, button.label) + 4 * padding_);
  const int buttonHigh = buttonFont_->height + padding_;
  const int count = static_cast<int>(buttons_.size());
  const int rowWide = count * buttonWide + (count - 1) * padding_;
  width_ = std::max(std::max(textWide, rowWide) + 4 * padding_, minWidth_);
  height_ = 2 * padding_ + static_cast<int>(lines_.size()) * lineHeight + 2 * padding_ +
            buttonHigh + padding_;
  // The buttons sit at the right, as in GNOME's dialogs, in a Windows box's order.
  int x = width_ - padding_ - rowWide;
  for (Button& button : buttons_) {
    button.area = {static_cast<short>(x), static_cast<short>(height_ - padding_ - buttonHigh),
                   static_cast<unsigned short>(buttonWide),
                   static_cast<unsigned short>(buttonHigh)};
    x += buttonWide + padding_;
  }
}

// Where the box goes: centred on the owner, else on the screen. Returns the owner's X window,
// or 0 when there is none.
Window XBox::centreOver(SDL_Window* owner, int* left, int* top) {
  const int screen = DefaultScreen(display_);
  *left = (DisplayWidth(display_, screen) - width_) / 2;
  *top = (DisplayHeight(display_, screen) - height_) / 2;
  platform::XLink x;
  if (!platform::xLinkOf(owner, x)) return 0;
  int ownerX = 0, ownerY = 0, ownerWidth = 0, ownerHeight = 0;
  SDL_GetWindowPosition(owner, &ownerX, &ownerY);
  SDL_GetWindowSize(owner, &ownerWidth, &ownerHeight);
  *left = ownerX + (ownerWidth - width_) / 2;
  *top = ownerY + (ownerHeight - height_) / 2;
  return x.window;
}

void XBox::createWindow(int left, int top) {
  window_ = XCreateSimpleWindow(display_, RootWindow(display_, DefaultScreen(display_)), left, top,
                                static_cast<unsigned>(width_), static_cast<unsigned>(height_), 0, 0,
                                background_);
  XSelectInput(display_, window_,
               ExposureMask | KeyPressMask | KeyReleaseMask | ButtonPressMask | ButtonReleaseMask |
                   StructureNotifyMask);
  gc_ = XCreateGC(display_, window_, 0, nullptr);
}

// What a window manager needs to treat the box as a fixed-size dialog over the clock: its name,
// type, owner and modality, size, input, class and close protocol.
void XBox::describeToWindowManager(const std::string& caption, Window ownerWindow, int left,
                                   int top) {
  XStoreName(display_, window_, caption.c_str());
  const Atom utf8 = platform::xAtom(display_, "UTF8_STRING");
  XChangeProperty(display_, window_, platform::xAtom(display_, "_NET_WM_NAME"), utf8, 8,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(caption.data()),
                  static_cast<int>(caption.size()));
  const Atom dialogType = platform::xAtom(display_, "_NET_WM_WINDOW_TYPE_DIALOG");
  XChangeProperty(display_, window_, platform::xAtom(display_, "_NET_WM_WINDOW_TYPE"), XA_ATOM, 32,
                  PropModeReplace, reinterpret_cast<const unsigned char*>(&dialogType), 1);
  if (ownerWindow) {
    XSetTransientForHint(display_, window_, ownerWindow);
    const Atom modal = platform::xAtom(display_, "_NET_WM_STATE_MODAL");
    XChangeProperty(display_, window_, platform::xAtom(display_, "_NET_WM_STATE"), XA_ATOM, 32,
                    PropModeReplace, reinterpret_cast<const unsigned char*>(&modal), 1);
  }
  XSizeHints* size = XAllocSizeHints();
  size->flags = PPosition | PMinSize | PMaxSize;
  size->x = left, size->y = top;
  size->min_width = size->max_width = width_;
  size->min_height = size->max_height = height_;
  XSetWMNormalHints(display_, window_, size);
  XFree(size);
  XWMHints* hints = XAllocWMHints();
  hints->flags = InputHint;
  hints->input = True;
  XSetWMHints(display_, window_, hints);
  XFree(hints);
  XClassHint* names = XAllocClassHint();
  char appName[] = "waggler", appClass[] = "Waggler";
  names->res_name = appName;
  names->res_class = appClass;
  XSetClassHint(display_, window_, names);
  XFree(names);
  deleteWindow_ = platform::xAtom(display_, "WM_DELETE_WINDOW");
  XSetWMProtocols(display_, window_, &deleteWindow_, 1);
}

// A rectangle with rounded corners, in the GC's colour.
void XBox::fillRounded(const XRectangle& r, int radius) {
  const int d = 2 * radius;
  XFillRectangle(display_, window_, gc_, r.x + radius, r.y, r.width - d, r.height);
  XFillRectangle(display_, window_, gc_, r.x, r.y + radius, r.width, r.height - d);
  for (int cx : {0, 1})
    for (int cy : {0, 1})
      XFillArc(display_, window_, gc_, r.x + cx * (r.width - d - 1), r.y + cy * (r.height - d - 1),
               static_cast<unsigned>(d), static_cast<unsigned>(d), 0, 360 * 64);
}

void XBox::draw() {
  XSetForeground(display_, gc_, background_);
  XFillRectangle(display_, window_, gc_, 0, 0, static_cast<unsigned>(width_),
                 static_cast<unsigned>(height_));
  int y = 2 * padding_ + messageFont_->ascent;
  for (const std::string& line : lines_) {
    XftDrawStringUtf8(draw_, &text_, messageFont_, 2 * padding_, y,
                      reinterpret_cast<const FcChar8*>(line.data()), static_cast<int>(line.size()));
    y += messageFont_->height;
  }
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    const XRectangle& area = buttons_[i].area;
    // The focused button wears the desktop's blue ring, where Windows puts its dotted one.
    const bool focused = static_cast<int>(i) == focused_;
    XSetForeground(display_, gc_, focused ? focus_ : border_);
    fillRounded(area, corner_);
    const int ring = platform::toScreenPixels(focused ? 2 : 1);
    XSetForeground(display_, gc_, button_);
    fillRounded({static_cast<short>(area.x + ring), static_cast<short>(area.y + ring),
                 static_cast<unsigned short>(area.width - 2 * ring),
                 static_cast<unsigned short>(area.height - 2 * ring)},
                corner_ - 1);
    const std::string& label = buttons_[i].label;
    XftDrawStringUtf8(
        draw_, &text_, buttonFont_, area.x + (area.width - textWidth(buttonFont_, label)) / 2,
        area.y + (area.height - buttonFont_->height) / 2 + buttonFont_->ascent,
        reinterpret_cast<const FcChar8*>(label.data()), static_cast<int>(label.size()));
  }
}

int XBox::buttonAt(int x, int y) const {
  for (std::size_t i = 0; i < buttons_.size(); ++i) {
    const XRectangle& a = buttons_[i].area;
    if (x >= a.x && x < a.x + a.width && y >= a.y && y < a.y + a.height) return static_cast<int>(i);
  }
  return -1;
}

bool XBox::key(XKeyEvent& event, int* answer) {
  // The box acts on presses; a held key's repeats are no answer.
  const bool release = event.type == KeyRelease;
  if (heldAtOpen_.take(release, event.keycode) || release) return false;
  KeySym sym = NoSymbol;
  char characters[8];
  XLookupString(&event, characters, sizeof characters, &sym, nullptr);
  const int count = static_cast<int>(buttons_.size());
  const bool yesNo = dismissed_ == IDNO;
  switch (sym) {
    case XK_y:
    case XK_Y:
      if (!yesNo) return false;
      *answer = IDYES;
      return true;
    case XK_n:
    case XK_N:
      if (!yesNo) return false;
      *answer = IDNO;
      return true;
    case XK_Escape: *answer = dismissed_; return true;
    case XK_Return:
    case XK_KP_Enter:
    case XK_space:
    case XK_KP_Space: *answer = buttons_[focused_].id; return true;
    case XK_Tab: focused_ = (focused_ + ((event.state & ShiftMask) ? count - 1 : 1)) % count; break;
    case XK_ISO_Left_Tab:
    case XK_Left:
    case XK_Up:
    case XK_KP_Left:
    case XK_KP_Up: focused_ = (focused_ + count - 1) % count; break;
    case XK_Right:
    case XK_Down:
    case XK_KP_Right:
    case XK_KP_Down: focused_ = (focused_ + 1) % count; break;
    default: return false;
  }
  draw();
  return false;
}

bool XBox::answered(int* answer) {
  XErrorsIgnored ignored(display_);
  bool done = false;
  while (!done && XPending(display_)) {
    XEvent event;
    XNextEvent(display_, &event);
    if (event.xany.window != window_) continue;  // left over from an earlier box
    switch (event.type) {
      case MapNotify:
        // Without a window manager nobody else gives the box the keyboard.
        XRaiseWindow(display_, window_);
        XSetInputFocus(display_, window_, RevertToPointerRoot, CurrentTime);
        break;
      case Expose:
        if (event.xexpose.count == 0) draw();
        break;
      case KeyPress:
      case KeyRelease: done = key(event.xkey, answer); break;
      case ButtonPress:
        if (event.xbutton.button == Button1 &&
            (clicked_ = buttonAt(event.xbutton.x, event.xbutton.y)) >= 0) {
          focused_ = clicked_;
          draw();
        }
        break;
      case ButtonRelease:
        if (event.xbutton.button == Button1 && clicked_ >= 0 &&
            buttonAt(event.xbutton.x, event.xbutton.y) == clicked_) {
          *answer = buttons_[clicked_].id;
          done = true;
        }
        if (event.xbutton.button == Button1) clicked_ = -1;
        break;
      case ClientMessage:
        if (static_cast<Atom>(event.xclient.data.l[0]) == deleteWindow_) {
          *answer = dismissed_;
          done = true;
        }
        break;
    }
  }
  // A key held as the box opened may come up at the clock, unseen here.
  if (!done) heldAtOpen_.forgetReleased(display_);
  return done;
}

platform::HeldKeys XBox::keysHeld() {
  return platform::HeldKeys::downNow(display_);
}

}  // namespace

namespace platform {

int dismissedAnswer(UINT type) {
  return (type & 0x0F) == MB_YESNO ? IDNO : IDOK;
}

std::unique_ptr<Box> openMessageBox(const BoxRequest& request) {
  std::unique_ptr<XBox> box(new XBox);
  if (!box->open(request)) return nullptr;
  return box;
}

}  // namespace platform
