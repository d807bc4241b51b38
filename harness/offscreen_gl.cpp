// EGL surfaceless pbuffer context (Mesa's llvmpipe when LIBGL_ALWAYS_SOFTWARE is set).
#include "harness/offscreen_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdlib>
#include <filesystem>

using namespace pictures;

namespace {
EGLDisplay display = EGL_NO_DISPLAY;
EGLContext context = EGL_NO_CONTEXT;
EGLSurface surface = EGL_NO_SURFACE;
int surfaceWidth = 0, surfaceHeight = 0;

EGLDisplay openSurfacelessDisplay() {
  auto getPlatformDisplay = reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(
      eglGetProcAddress("eglGetPlatformDisplayEXT"));
  if (!getPlatformDisplay) return EGL_NO_DISPLAY;
  return getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
}
}  // namespace

bool createOffscreenGL(int width, int height, std::string& reason) {
  // Test files share one context per process; a large enough one is reused.
  if (context != EGL_NO_CONTEXT && width <= surfaceWidth && height <= surfaceHeight) return true;
  destroyOffscreenGL();
  setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
  display = openSurfacelessDisplay();
  if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) {
    reason = "no EGL surfaceless display";
    return false;
  }
  // clang-format off
  const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
                                     EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                                     EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8,
                                     EGL_ALPHA_SIZE, 8, EGL_DEPTH_SIZE, 24, EGL_STENCIL_SIZE, 8,
                                     EGL_NONE};
  // clang-format on
  EGLConfig config;
  EGLint count = 0;
  if (!eglChooseConfig(display, configAttributes, &config, 1, &count) || count == 0) {
    reason = "no EGL config with a pbuffer, depth and stencil";
    return false;
  }
  const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
  if (surface == EGL_NO_SURFACE) {
    reason = "cannot create a pbuffer";
    return false;
  }
  eglBindAPI(EGL_OPENGL_API);
  // No version asked for: the default is the compatibility profile, with GL 1.1 intact.
  context = eglCreateContext(display, config, EGL_NO_CONTEXT, nullptr);
  if (context == EGL_NO_CONTEXT || !eglMakeCurrent(display, surface, surface, context)) {
    reason = "cannot create or bind a desktop GL context";
    return false;
  }
  surfaceWidth = width;
  surfaceHeight = height;
  // Ended before the process exits, whoever forgets to: a live context keeps llvmpipe's threads
  // and Mesa's queues running, and its display lists holding memory, while LeakSanitizer stops
  // and scans the process at exit. Registered after Mesa's own exit handlers, it runs first.
  static const bool endsAtExit = std::atexit(destroyOffscreenGL) == 0;
  (void)endsAtExit;
  return true;
}

void destroyOffscreenGL() {
  if (display == EGL_NO_DISPLAY) return;
  eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  if (context != EGL_NO_CONTEXT) eglDestroyContext(display, context);
  if (surface != EGL_NO_SURFACE) eglDestroySurface(display, surface);
  eglTerminate(display);
  display = EGL_NO_DISPLAY;
  context = EGL_NO_CONTEXT;
  surface = EGL_NO_SURFACE;
  surfaceWidth = surfaceHeight = 0;
}

Picture readPicture(int width, int height) {
  std::vector<uint8_t> rgb(static_cast<std::size_t>(width) * height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadPixels(0, 0, width, height, GL_RGB, GL_UNSIGNED_BYTE, rgb.data());
  Picture picture(width, height);
  for (int y = 0; y < height; ++y)  // GL rows run bottom-up
    for (int x = 0; x < width; ++x) {
      const uint8_t* p = &rgb[(static_cast<std::size_t>(height - 1 - y) * width + x) * 3];
      picture.set(x, y, {p[0], p[1], p[2]});
    }
  return picture;
}

std::string saveFrame(const std::string& name, int width, int height) {
  const std::filesystem::path folder = std::filesystem::current_path() / "artifacts";
  std::filesystem::create_directories(folder);
  const std::string path = (folder / (name + ".png")).string();
  return writePng(readPicture(width, height), path) ? path : "(could not save " + path + ")";
}

std::string compareWithReference(const std::string& name, int width, int height,
                                 int channelTolerance, int pixelsAllowed) {
  const std::string reference = WAGGLER_REFERENCE_DIR "/" + name + ".png";
  const char* renew = std::getenv("WAGGLER_NEW_REFERENCES");
  if (renew && std::string(renew) == "1")
    return writePng(readPicture(width, height), reference) ? "wrote " + reference
                                                           : "could not write " + reference;
  const std::optional<Picture> expected = readPng(reference);
  if (!expected) return "no reference picture " + reference;
  if (expected->width != width || expected->height != height)
    return reference + " is not " + std::to_string(width) + "x" + std::to_string(height);
  const Picture actual = readPicture(width, height);
  int differing = 0;
  for (std::size_t i = 0; i < actual.pixels.size(); ++i) {
    const Rgb p = actual.pixels[i], q = expected->pixels[i];
    differing += std::abs(p.r - q.r) > channelTolerance || std::abs(p.g - q.g) > channelTolerance ||
                 std::abs(p.b - q.b) > channelTolerance;
  }
  if (differing <= pixelsAllowed) return "";
  return std::to_string(differing) + " pixels differ from " + reference + " (at most " +
         std::to_string(pixelsAllowed) + " may); the frame: " + saveFrame(name, width, height);
}

bool near(Rgb actual, int r, int g, int b, int tolerance) {
  return std::abs(actual.r - r) <= tolerance && std::abs(actual.g - g) <= tolerance &&
         std::abs(actual.b - b) <= tolerance;
}

std::string describe(Rgb p) {
  return "(" + std::to_string(p.r) + ", " + std::to_string(p.g) + ", " + std::to_string(p.b) + ")";
}
