// Device contexts, pixel formats and GL contexts on SDL. A window's SDL window is made when
// its pixel format is chosen, because on X11 the GL visual is fixed when the window is created.
#include <algorithm>
#include <iterator>

#include "platform/linux/failure_notes.h"
#include "platform/linux/freed_memory.h"
#include "platform/linux/window.h"

// A GL rendering context made for a window's pixel format.
struct HGLRC__ {
  SDL_GLContext gl = nullptr;
};

namespace {

struct Format {
  int depthBits;
  int stencilBits;
};

// Closest first to what the clock asks for; no visual offers 32 depth bits with 8 stencil
// bits, so the next ones are tried in turn. The 1-based position is the format's number.
const Format formats[] = {{32, 8}, {24, 8}, {16, 0}};
const int formatCount = static_cast<int>(std::size(formats));

std::vector<HGLRC>& contexts() {
  static std::vector<HGLRC> all;
  return all;
}

bool isContext(HGLRC context) {
  const std::vector<HGLRC>& all = contexts();
  return context && std::find(all.begin(), all.end(), context) != all.end();
}

// SDL reads these when it picks a window's visual and when it makes a context.
void requestFormat(int number) {
  const Format& format = formats[number - 1];
  SDL_GL_ResetAttributes();
  SDL_GL_SetAttribute(SDL_GL_DOUBLEBUFFER, 1);
  SDL_GL_SetAttribute(SDL_GL_DEPTH_SIZE, format.depthBits);
  SDL_GL_SetAttribute(SDL_GL_STENCIL_SIZE, format.stencilBits);
  // A compatibility profile with no version asked for: immediate mode, lists and GLU work.
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_COMPATIBILITY);
}

// A hidden GL window for the format, placed and sized as the window (or 1 by 1 without one).
SDL_Window* createFormatWindow(HWND window, int number) {
  requestFormat(number);
  return platform::createSdlWindow(window, SDL_WINDOW_OPENGL);
}

// The first format, in order, that the server grants, with its window; 0 when none is.
// SDL unloads the GL library with its last GL window, a refused one included, and loading it
// again costs a throwaway X window and context (SDL reads GLX's extensions with them). Holding
// the library over the search keeps it loaded, so a refused format costs only SDL's visual
// lookup, which comes before any X window is made.
int firstGrantedFormat(HWND window, SDL_Window** made) {
  const bool held = SDL_GL_LoadLibrary(nullptr) == 0;
  int granted = 0;
  for (int number = 1; number <= formatCount && !granted; ++number)
    if ((*made = createFormatWindow(window, number))) granted = number;
  if (held) SDL_GL_UnloadLibrary();
  return granted;
}

HWND windowOf(HDC dc) {
  if (!dc || !dc->window || !platform::isLiveWindow(dc->window)) return nullptr;
  return dc->window;
}

bool isScreenDc(HDC dc) {
  return dc && !dc->window;
}

}  // namespace

HDC GetDC(HWND window) {
  if (!window) return new HDC__();  // a screen DC of its own, with the stock font selected
  if (!platform::isLiveWindow(window)) return nullptr;
  return &window->dc;
}

int ReleaseDC(HWND window, HDC dc) {
  if (!dc) return 0;
  // A window keeps its one DC for its whole life; a screen DC goes when it is released.
  if (!window && isScreenDc(dc)) delete dc;
  return 1;
}

int ChoosePixelFormat(HDC dc, const PIXELFORMATDESCRIPTOR* request) {
  if (!dc || !request || !platform::ensureVideo()) return 0;
  if (isScreenDc(dc)) {
    SDL_Window* probe = nullptr;
    const int number = firstGrantedFormat(nullptr, &probe);
    if (probe) SDL_DestroyWindow(probe);
    return number;
  }
  HWND window = windowOf(dc);
  if (!window) return 0;
  if (window->pixelFormat != 0) return window->pixelFormat;
  SDL_Window* sdl = nullptr;
  const int number = firstGrantedFormat(window, &sdl);
  if (!sdl) {
    platform::noteNoOpenGl();
    return 0;
  }
  platform::adoptSdlWindow(window, sdl);
  window->pixelFormat = number;
  return number;
}

BOOL SetPixelFormat(HDC dc, int format, const PIXELFORMATDESCRIPTOR*) {
  HWND window = windowOf(dc);
  if (!window || format < 1 || format > formatCount) return FALSE;
  // As on Windows, a window's pixel format is set once and for good.
  if (window->formatSet) return window->pixelFormat == format ? TRUE : FALSE;
  if (window->pixelFormat != format) {
    SDL_Window* sdl = createFormatWindow(window, format);
    if (!sdl) return FALSE;
    platform::adoptSdlWindow(window, sdl);
    window->pixelFormat = format;
  }
  window->formatSet = true;
  return TRUE;
}

BOOL SwapBuffers(HDC dc) {
  HWND window = windowOf(dc);
  if (!window || !window->sdl || !window->formatSet) return FALSE;
  SDL_GL_SwapWindow(window->sdl);
  platform::returnFreedMemory();
  return TRUE;
}

HGLRC wglCreateContext(HDC dc) {
  HWND window = windowOf(dc);
  if (!window || !window->sdl || !window->formatSet) return nullptr;
  // SDL makes a new context current; WGL does not, so the previous one is put back.
  SDL_Window* previousWindow = SDL_GL_GetCurrentWindow();
  SDL_GLContext previous = SDL_GL_GetCurrentContext();
  requestFormat(window->pixelFormat);
  SDL_GLContext gl = SDL_GL_CreateContext(window->sdl);
  SDL_GL_MakeCurrent(previous ? previousWindow : nullptr, previous);
  if (!gl) {
    platform::noteNoOpenGl();
    return nullptr;
  }
  HGLRC context = new HGLRC__();
  context->gl = gl;
  contexts().push_back(context);
  return context;
}

BOOL wglMakeCurrent(HDC dc, HGLRC context) {
  if (!context) {
    // Releasing whatever is current.
    if (SDL_WasInit(SDL_INIT_VIDEO)) SDL_GL_MakeCurrent(nullptr, nullptr);
    return TRUE;
  }
  HWND window = windowOf(dc);
  if (!window || !window->sdl || !window->formatSet || !isContext(context)) return FALSE;
  return SDL_GL_MakeCurrent(window->sdl, context->gl) == 0 ? TRUE : FALSE;
}

BOOL wglDeleteContext(HGLRC context) {
  if (!isContext(context)) return FALSE;
  std::vector<HGLRC>& all = contexts();
  all.erase(std::find(all.begin(), all.end(), context));
  SDL_GL_DeleteContext(context->gl);  // SDL first releases it if it is current
  delete context;
  return TRUE;
}
