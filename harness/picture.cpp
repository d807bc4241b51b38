// PNG through libpng's simplified API, which the icons have always been written with.
#include "harness/picture.h"

#include <png.h>

#include <cstdio>

namespace pictures {

std::vector<std::uint8_t> encodePng(const Picture& picture) {
  const bool withAlpha = !picture.alpha.empty();
  std::vector<std::uint8_t> bytes;
  bytes.reserve(picture.pixels.size() * (withAlpha ? 4 : 3));
  for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
    const Rgb p = picture.pixels[i];
    bytes.insert(bytes.end(), {p.r, p.g, p.b});
    if (withAlpha) bytes.push_back(picture.alpha[i]);
  }
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  image.width = static_cast<png_uint_32>(picture.width);
  image.height = static_cast<png_uint_32>(picture.height);
  image.format = withAlpha ? PNG_FORMAT_RGBA : PNG_FORMAT_RGB;
  png_alloc_size_t length = 0;
  if (!png_image_write_to_memory(&image, nullptr, &length, 0, bytes.data(), 0, nullptr)) return {};
  std::vector<std::uint8_t> png(length);
  if (!png_image_write_to_memory(&image, png.data(), &length, 0, bytes.data(), 0, nullptr))
    return {};
  png.resize(length);
  return png;
}

bool writePng(const Picture& picture, const std::string& path) {
  return writeFile(path, encodePng(picture));
}

std::optional<Picture> readPng(const std::string& path) {
  png_image image = {};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return std::nullopt;
  const bool withAlpha = image.format & PNG_FORMAT_FLAG_ALPHA;
  image.format = PNG_FORMAT_RGBA;
  std::vector<std::uint8_t> bytes(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, bytes.data(), 0, nullptr)) {
    png_image_free(&image);
    return std::nullopt;
  }
  Picture picture(static_cast<int>(image.width), static_cast<int>(image.height));
  if (withAlpha) picture.alpha.resize(picture.pixels.size());
  for (std::size_t i = 0; i < picture.pixels.size(); ++i) {
    picture.pixels[i] = {bytes[i * 4], bytes[i * 4 + 1], bytes[i * 4 + 2]};
    if (withAlpha) picture.alpha[i] = bytes[i * 4 + 3];
  }
  return picture;
}

bool writeFile(const std::string& path, const std::vector<std::uint8_t>& bytes) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) return false;
  const bool ok =
      !bytes.empty() && std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && ok;
}

}  // namespace pictures
