// An offscreen GL context for render tests: EGL on Mesa's surfaceless platform with a
// pbuffer, so no X server is needed. Also reads pixels back, saves failure pictures and
// compares frames with committed reference pictures.
#pragma once

#include <string>

#include "harness/picture.h"
#include "platform/win32.h"

// Makes a compatibility-profile context current with a width-by-height RGBA pbuffer
// (24-bit depth, 8-bit stencil), or keeps the current one when it is large enough.
// Returns false, with a reason, when none can be had.
bool createOffscreenGL(int width, int height, std::string& reason);
void destroyOffscreenGL();

// The colour buffer as a picture, top row first.
pictures::Picture readPicture(int width, int height);
// The pixel at GL's window coordinates (x, y), counted from the bottom-left.
inline pictures::Rgb glPixel(const pictures::Picture& picture, int x, int y) {
  return picture.at(x, picture.height - 1 - y);
}

// Saves the colour buffer as artifacts/<name>.png in the build tree and returns its path.
std::string saveFrame(const std::string& name, int width, int height);

// Compares the colour buffer with the committed tests/render/reference/<name>.png: a pixel
// differs when a channel is more than `channelTolerance` off, and `pixelsAllowed` may. Empty
// when alike, else what differs and where the frame was saved. With WAGGLER_NEW_REFERENCES=1
// in the environment it writes the reference instead (and reports that, to fail the run).
std::string compareWithReference(const std::string& name, int width, int height,
                                 int channelTolerance, int pixelsAllowed);

// Reports whether `actual` is within `tolerance` of the expected colour in every channel.
bool near(pictures::Rgb actual, int r, int g, int b, int tolerance);
std::string describe(pictures::Rgb p);
