#include "tools/art/rle_encode.h"

#include <algorithm>

namespace {

void PutLe16(std::vector<uint8_t>* out, uint16_t v) {
  out->push_back(static_cast<uint8_t>(v));
  out->push_back(static_cast<uint8_t>(v >> 8));
}

void PutLe32(std::vector<uint8_t>* out, uint32_t v) {
  PutLe16(out, static_cast<uint16_t>(v));
  PutLe16(out, static_cast<uint16_t>(v >> 16));
}

}  // namespace

std::optional<std::vector<uint8_t>> EncodeRleStream(std::span<const uint8_t> pixels) {
  std::vector<uint8_t> out;
  out.reserve(pixels.size() / 4 + 16);
  size_t i = 0;
  while (i < pixels.size()) {
    const uint8_t value = pixels[i];
    if (value == kRleEscape) return std::nullopt;
    size_t repeat = 1;
    while (i + repeat < pixels.size() && pixels[i + repeat] == value) ++repeat;
    i += repeat;
    while (repeat >= static_cast<size_t>(kRleMinRun)) {
      const size_t n = std::min<size_t>(repeat, kRleMaxRun);
      out.push_back(kRleEscape);
      out.push_back(value);
      out.push_back(static_cast<uint8_t>(n));
      repeat -= n;
    }
    out.insert(out.end(), repeat, value);
  }
  out.push_back(kRleEscape);
  out.push_back(kRleEscape);
  return out;
}

std::optional<std::vector<uint8_t>> EncodeResource(const IndexedImage& image) {
  std::vector<uint8_t> bottomUp;
  bottomUp.reserve(image.pixels.size());
  for (int y = image.height - 1; y >= 0; --y) {
    const auto row = image.pixels.begin() + static_cast<ptrdiff_t>(y) * image.width;
    bottomUp.insert(bottomUp.end(), row, row + image.width);
  }
  auto stream = EncodeRleStream(bottomUp);
  if (!stream) return std::nullopt;

  std::vector<uint8_t> out;
  PutLe32(&out, kBitmapInfoHeaderSize);                // biSize
  PutLe32(&out, static_cast<uint32_t>(image.width));   // biWidth
  PutLe32(&out, static_cast<uint32_t>(image.height));  // biHeight: positive, bottom row first
  PutLe16(&out, 1);                                    // biPlanes
  PutLe16(&out, 8);                                    // biBitCount
  PutLe32(&out, 0);                                    // biCompression
  PutLe32(&out, 0);                                    // biSizeImage
  PutLe32(&out, 0);                                    // biXPelsPerMeter
  PutLe32(&out, 0);                                    // biYPelsPerMeter
  PutLe32(&out, 256);                                  // biClrUsed
  PutLe32(&out, 0);                                    // biClrImportant
  for (int i = 0; i < 256; ++i) {
    const Rgb c = i < static_cast<int>(image.palette.size()) ? image.palette[i] : Rgb{};
    out.insert(out.end(), {c.b, c.g, c.r, 0});
  }
  out.insert(out.end(), stream->begin(), stream->end());
  return out;
}
