#include "tools/art/png_io.h"

#include <png.h>

#include <cstdio>
#include <memory>

namespace {

struct FileCloser {
  void operator()(FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<FILE, FileCloser>;

}  // namespace

bool ReadIndexedPng(const std::string& path, IndexedImage* image, std::string* error) {
  File file(std::fopen(path.c_str(), "rb"));
  if (!file) {
    *error = "cannot open the file";
    return false;
  }
  png_byte signature[8] = {};
  if (std::fread(signature, 1, 8, file.get()) != 8 || png_sig_cmp(signature, 0, 8) != 0) {
    *error = "not a PNG file";
    return false;
  }
  png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_read_struct(&png, nullptr, nullptr);
    *error = "out of memory";
    return false;
  }
  // Everything libpng may long-jump out of stays above this line's locals.
  std::vector<png_bytep> rows;
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_read_struct(&png, &info, nullptr);
    *error = "corrupt PNG data";
    return false;
  }
  png_init_io(png, file.get());
  png_set_sig_bytes(png, 8);
  png_read_info(png, info);
  const int colorType = png_get_color_type(png, info);
  const int bitDepth = png_get_bit_depth(png, info);
  if (colorType != PNG_COLOR_TYPE_PALETTE || bitDepth != 8) {
    png_destroy_read_struct(&png, &info, nullptr);
    *error = "not an 8-bit indexed (palette) PNG (colour type " + std::to_string(colorType) +
             ", bit depth " + std::to_string(bitDepth) + ")";
    return false;
  }
  if (png_get_interlace_type(png, info) != PNG_INTERLACE_NONE) {
    png_destroy_read_struct(&png, &info, nullptr);
    *error = "interlaced PNG; save it without interlacing";
    return false;
  }
  png_colorp plte = nullptr;
  int count = 0;
  png_get_PLTE(png, info, &plte, &count);
  image->width = static_cast<int>(png_get_image_width(png, info));
  image->height = static_cast<int>(png_get_image_height(png, info));
  image->palette.clear();
  for (int i = 0; i < count; ++i)
    image->palette.push_back({plte[i].red, plte[i].green, plte[i].blue});
  image->pixels.assign(static_cast<size_t>(image->width) * image->height, 0);
  rows.resize(image->height);
  for (int y = 0; y < image->height; ++y)
    rows[y] = &image->pixels[static_cast<size_t>(y) * image->width];
  png_read_image(png, rows.data());
  png_read_end(png, nullptr);
  png_destroy_read_struct(&png, &info, nullptr);
  return true;
}

namespace {

bool WritePng(const std::string& path, int width, int height, int colorType,
              const std::vector<Rgb>* palette, const uint8_t* data, int bytesPerPixel,
              std::string* error) {
  File file(std::fopen(path.c_str(), "wb"));
  if (!file) {
    *error = "cannot create " + path;
    return false;
  }
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (!info) {
    png_destroy_write_struct(&png, nullptr);
    *error = "out of memory";
    return false;
  }
  std::vector<png_color> plte;
  std::vector<png_bytep> rows(height);
  if (setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    *error = "libpng failed writing " + path;
    return false;
  }
  png_init_io(png, file.get());
  png_set_IHDR(png, info, width, height, 8, colorType, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (palette) {
    for (const Rgb& c : *palette) plte.push_back({c.r, c.g, c.b});
    png_set_PLTE(png, info, plte.data(), static_cast<int>(plte.size()));
  }
  // No time chunk and fixed settings: the same picture always gives the same bytes.
  png_set_compression_level(png, 9);
  png_write_info(png, info);
  for (int y = 0; y < height; ++y)
    rows[y] = const_cast<png_bytep>(data + static_cast<size_t>(y) * width * bytesPerPixel);
  png_write_image(png, rows.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return true;
}

}  // namespace

bool WriteIndexedPng(const std::string& path, const IndexedImage& image, std::string* error) {
  return WritePng(path, image.width, image.height, PNG_COLOR_TYPE_PALETTE, &image.palette,
                  image.pixels.data(), 1, error);
}

bool WriteRgbPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb,
                 std::string* error) {
  return WritePng(path, width, height, PNG_COLOR_TYPE_RGB, nullptr, rgb.data(), 3, error);
}
