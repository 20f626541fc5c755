#include "show/image_decode.h"

uint32_t ReadU32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

bool ImageReadInfo(const uint8_t* data, size_t size, ImageInfo* info) {
  if (data == nullptr || size < kImageHeaderSize || ReadU32(data) != kImageHeaderSize) return false;
  const int32_t width = static_cast<int32_t>(ReadU32(data + 4));
  const int32_t height = static_cast<int32_t>(ReadU32(data + 8));
  const uint16_t bitCount = ReadU16(data + 14);
  const uint32_t colourUsed = ReadU32(data + 32);
  if (bitCount > 8 || bitCount == 4) return false;
  const uint32_t colourCount = colourUsed != 0 ? colourUsed : 1u << bitCount;
  if (colourCount > 256) return false;
  if (width <= 0 || height <= 0 || int64_t(width) * height > kMaxImagePixels) return false;
  if (bitCount == 8 ? width % 4 != 0 : bitCount != 1 || width % 32 != 0) return false;
  const size_t pixelOffset = kImageHeaderSize + 4 * size_t(colourCount);
  if (pixelOffset > size) return false;
  info->width = width;
  info->height = height;
  info->bitCount = bitCount;
  info->colourCount = colourCount;
  info->colourTableOffset = kImageHeaderSize;
  info->pixelOffset = pixelOffset;
  info->pixelBufferSize = bitCount == 8 ? size_t(width) * size_t(height) + kPixelBufferSlack
                                        : size_t(width) * size_t(height) / 8;
  return true;
}

bool ImageDecodePixels(const uint8_t* data, size_t size, const ImageInfo& info, uint8_t* pixels,
                       size_t* decoded) {
  const uint8_t* in = data + info.pixelOffset;
  const uint8_t* const end = data + size;
  if (info.bitCount != 8) {
    if (size_t(end - in) < info.pixelBufferSize) return false;
    for (size_t i = 0; i < info.pixelBufferSize; ++i) pixels[i] = in[i];
    if (decoded != nullptr) *decoded = info.pixelBufferSize;
    return true;
  }
  // The rows proper; the slack after them stays zero.
  const size_t rowBytes = info.pixelBufferSize - kPixelBufferSlack;
  size_t out = 0;
  while (in < end) {
    const uint8_t byte = *in++;
    if (byte != 0xFF) {
      if (out >= rowBytes) return false;
      pixels[out++] = byte;
      continue;
    }
    if (in >= end) return false;
    const uint8_t value = *in++;
    if (value == 0xFF) {  // the end code
      if (decoded != nullptr) *decoded = out;
      return true;
    }
    if (in >= end) return false;
    const uint8_t count = *in++;
    if (count > rowBytes - out) return false;
    for (uint8_t i = 0; i < count; ++i) pixels[out++] = value;
  }
  return false;  // the data ended without its end code
}
