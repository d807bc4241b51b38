// The font mapper: fontconfig matches a font object's family, weight and slant to a scalable
// face, which FreeType loads once and keeps for the process.
#include "platform/linux/font_mapping.h"

#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/linux/gdi_objects.h"

namespace {

struct LoadedFace {
  std::string key;
  FT_Face face = nullptr;  // null when the mapper found nothing usable
  std::string description;
};

FT_Library freetype() {
  static FT_Library library = nullptr;
  static bool tried = false;
  if (!tried) {
    tried = true;
    if (FT_Init_FreeType(&library) != 0) library = nullptr;
  }
  return library;
}

// Faces live as long as the process, like the lists made from them; a font object only
// describes what it wants, so deleting one never pulls a face from under anything.
std::vector<std::unique_ptr<LoadedFace>>& faceCache() {
  static std::vector<std::unique_ptr<LoadedFace>> cache;
  return cache;
}

int openTypeWeight(int weight) {
  return weight <= 0 ? 400 : std::min(weight, 1000);
}

LoadedFace& loadFace(const HGDIOBJ__& font) {
  const std::string family = font.fontFace.empty() ? "sans-serif" : font.fontFace;
  const std::string key = family + "|" + std::to_string(openTypeWeight(font.fontWeight)) + "|" +
                          (font.fontItalic ? "i" : "r");
  for (auto& loaded : faceCache())
    if (loaded->key == key) return *loaded;

  faceCache().push_back(std::make_unique<LoadedFace>());
  LoadedFace& loaded = *faceCache().back();
  loaded.key = key;
  FT_Library library = freetype();
  if (!library || !FcInit()) return loaded;
#ifdef WAGGLER_WITHOUT_BOLD_FACE
  // Test variant: a system with no bold outline face, so the outline glyphs cannot be built.
  if (openTypeWeight(font.fontWeight) >= 600) return loaded;
#endif

  FcPattern* pattern = FcPatternCreate();
  if (!pattern) return loaded;
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, FcWeightFromOpenType(openTypeWeight(font.fontWeight)));
  FcPatternAddInteger(pattern, FC_SLANT, font.fontItalic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  // Outlines are needed for the extruded glyphs and serve the bitmaps as well.
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return loaded;

  FcChar8* file = nullptr;
  int index = 0;
  if (FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch && file) {
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    FT_Face face = nullptr;
    if (FT_New_Face(library, reinterpret_cast<const char*>(file), index, &face) == 0) {
      if (FT_IS_SCALABLE(face) && face->units_per_EM > 0) {
        loaded.face = face;
        loaded.description = std::string(face->family_name ? face->family_name : "?") + " " +
                             (face->style_name ? face->style_name : "?") + " (" +
                             reinterpret_cast<const char*>(file) + ")";
      } else {
        FT_Done_Face(face);
      }
    }
  }
  FcPatternDestroy(match);
  return loaded;
}

}  // namespace

namespace platform {

FT_Face faceFor(const HGDIOBJ__* font) {
  if (!font || font->kind != HGDIOBJ__::Kind::font) return nullptr;
  return loadFace(*font).face;
}

std::string faceDescription(const HGDIOBJ__* font) {
  if (!font || font->kind != HGDIOBJ__::Kind::font) return "";
  return loadFace(*font).description;
}

}  // namespace platform
