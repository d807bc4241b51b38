// The font mapper: which FreeType face a font object gets, found through fontconfig.
#pragma once

#include <ft2build.h>

#include <string>

#include "platform/win32.h"
#include FT_FREETYPE_H

namespace platform {

// The face the font mapper gives for a font object (loaded once, kept for the process), or
// null when none can be had; and its family, style and file, or "".
FT_Face faceFor(const HGDIOBJ__* font);
std::string faceDescription(const HGDIOBJ__* font);

}  // namespace platform
