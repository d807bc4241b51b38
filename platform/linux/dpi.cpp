// The scale as the stand-in has it: one for the whole desktop, Xft.dpi, which each window keeps
// until it is told of a change (window.cpp), and the frame that Wine draws, grown with it.
#include "platform/dpi.h"

#include "platform/linux/desktop_scale.h"
#include "platform/linux/window_frame.h"
#include "platform/linux/window_record.h"
#include "platform/program_pixels.h"

int windowDpi(HWND window) {
  return window && window->dpi > 0 ? window->dpi : platform::desktopDpi();
}

RECT windowFrame(DWORD, int dpi) {
  return {toPhysicalPixels(nonClient::left, dpi), toPhysicalPixels(nonClient::top, dpi),
          toPhysicalPixels(nonClient::right, dpi), toPhysicalPixels(nonClient::bottom, dpi)};
}

HFONT systemFontAt(int) {
  // The stand-in draws its system font at the desktop's scale, the only one its windows have.
  return GetStockObject(SYSTEM_FONT);
}
