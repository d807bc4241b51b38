// Builds the two mipmapped textures from the bitmap resources inside the program.
#include "render/textures.h"

#include "records/state.h"

namespace {
// Loads one picture into a new texture; false when the picture is not there.
bool loadTexture(int resourceId, GLuint& texture) {
  HANDLE image = LoadImageA(clockState.hinstance, MAKEINTRESOURCEA(resourceId), IMAGE_BITMAP, 0, 0,
                            LR_CREATEDIBSECTION);
  if (!image) return false;
  BITMAP bitmap = {};
  GetObjectA(static_cast<HGDIOBJ>(image), sizeof(BITMAP), &bitmap);
  glGenTextures(1, &texture);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);  // bitmap rows are padded to 4 bytes
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  // Rows go in bottom-up, so the picture's bottom row is t = 0.
  gluBuild2DMipmaps(GL_TEXTURE_2D, 3, bitmap.bmWidth, bitmap.bmHeight, GL_BGR_EXT, GL_UNSIGNED_BYTE,
                    bitmap.bmBits);
  DeleteObject(static_cast<HGDIOBJ>(image));
  return true;
}
}  // namespace

bool loadTextures() {
  // Without a context (window creation already failed) GLU would crash building mipmaps.
  if (!glGetString(GL_VERSION)) return false;
  if (!loadTexture(stripeImage, clockState.stripeTexture)) return false;
  return loadTexture(honeycombImage, clockState.honeycombTexture);
}
