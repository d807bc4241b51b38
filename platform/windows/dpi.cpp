// The scale on Windows: each monitor's own on Windows 10 (per-monitor aware, the manifest says),
// the system's on Windows 7 to 8.1 (system aware). The calls that came with Windows 8.1 and 10
// are looked up when the program runs, so that the import table names none of them and the
// program still starts on Windows 7.
#include "platform/dpi.h"

#include <vector>

#include "platform/program_pixels.h"
#include "platform/windows/dpi_awareness.h"

namespace {

// A function of a system DLL, or null where this Windows lacks it. The detour through
// void (*)() is the one cast between function types that the compiler lets pass.
template <class Function>
Function lookUp(const char* module, const char* name) {
  HMODULE loaded = GetModuleHandleA(module);
  if (!loaded) loaded = LoadLibraryExA(module, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  if (!loaded) return nullptr;
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(GetProcAddress(loaded, name)));
}

using GetDpiForWindowCall = UINT(WINAPI*)(HWND);
using AdjustWindowRectExForDpiCall = BOOL(WINAPI*)(RECT*, DWORD, BOOL, DWORD, UINT);
using GetDpiForMonitorCall = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
using GetWindowDpiAwarenessContextCall = void*(WINAPI*)(HWND);
using SetThreadDpiAwarenessContextCall = void*(WINAPI*)(void*);

// The system's scale: what a system-aware program is drawn at, and what the stock objects are
// made for.
int systemDpi() {
  HDC screen = GetDC(nullptr);
  const int dpi = screen ? GetDeviceCaps(screen, LOGPIXELSY) : baseDpi;
  if (screen) ReleaseDC(nullptr, screen);
  return dpi > 0 ? dpi : baseDpi;
}

}  // namespace

int windowDpi(HWND window) {
  static const auto getDpiForWindow = lookUp<GetDpiForWindowCall>("user32.dll", "GetDpiForWindow");
  const UINT dpi = window && getDpiForWindow ? getDpiForWindow(window) : 0;
  return dpi > 0 ? static_cast<int>(dpi) : systemDpi();
}

RECT windowFrame(DWORD style, int dpi) {
  static const auto adjustForDpi =
      lookUp<AdjustWindowRectExForDpiCall>("user32.dll", "AdjustWindowRectExForDpi");
  RECT outer = {0, 0, 0, 0};
  if (adjustForDpi && adjustForDpi(&outer, style, FALSE, 0, static_cast<UINT>(dpi)))
    return {-outer.left, -outer.top, outer.right, outer.bottom};
  // Before Windows 10 the frame comes at the system's scale only.
  AdjustWindowRectEx(&outer, style, FALSE, 0);
  const int system = systemDpi();
  return {rescalePixels(-outer.left, system, dpi), rescalePixels(-outer.top, system, dpi),
          rescalePixels(outer.right, system, dpi), rescalePixels(outer.bottom, system, dpi)};
}

HFONT systemFontAt(int dpi) {
  HFONT stock = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
  const int system = systemDpi();
  if (dpi == system) return stock;
  // Another monitor's scale: the same font, its size taken from the system's to this one, made
  // once for each scale met (there are as many as monitors at most) and kept, as the stock one.
  static std::vector<std::pair<int, HFONT>> made;
  for (const auto& [madeDpi, font] : made)
    if (madeDpi == dpi) return font;
  LOGFONTA description = {};
  if (!GetObjectA(stock, sizeof description, &description)) return stock;
  description.lfHeight = rescalePixels(description.lfHeight, system, dpi);
  description.lfWidth = rescalePixels(description.lfWidth, system, dpi);
  HFONT font = CreateFontIndirectA(&description);
  if (!font) return stock;
  made.emplace_back(dpi, font);
  return font;
}

int monitorDpi(HMONITOR monitor, int fallback) {
  static const auto getDpiForMonitor =
      lookUp<GetDpiForMonitorCall>("shcore.dll", "GetDpiForMonitor");
  UINT x = 0, y = 0;
  const int effectiveDpi = 0;  // MDT_EFFECTIVE_DPI: the scale the user chose for the monitor
  if (getDpiForMonitor && getDpiForMonitor(monitor, effectiveDpi, &x, &y) == S_OK && y > 0)
    return static_cast<int>(y);
  return fallback;
}

AwarenessOf::AwarenessOf(HWND window) {
  static const auto windowContext =
      lookUp<GetWindowDpiAwarenessContextCall>("user32.dll", "GetWindowDpiAwarenessContext");
  static const auto setThreadContext =
      lookUp<SetThreadDpiAwarenessContextCall>("user32.dll", "SetThreadDpiAwarenessContext");
  if (!windowContext || !setThreadContext || !window) return;
  if (void* context = windowContext(window)) previous_ = setThreadContext(context);
}

AwarenessOf::~AwarenessOf() {
  static const auto setThreadContext =
      lookUp<SetThreadDpiAwarenessContextCall>("user32.dll", "SetThreadDpiAwarenessContext");
  if (previous_ && setThreadContext) setThreadContext(previous_);
}
