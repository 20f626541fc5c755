#include "tools/art/program_decode.h"

#include "show/image_decode.h"

namespace {

using Bytes = std::vector<uint8_t>;

// The decoded rows, bottom row first as stored, and how many pixel bytes the stream gave.
std::optional<Bytes> DecodeRows(const Bytes& resource, ImageInfo* info, size_t* decoded) {
  if (!ImageReadInfo(resource.data(), resource.size(), info)) return std::nullopt;
  Bytes pixels(info->pixelBufferSize, 0);
  if (!ImageDecodePixels(resource.data(), resource.size(), *info, pixels.data(), decoded))
    return std::nullopt;
  return pixels;
}

void PutLe32(Bytes* bytes, size_t at, uint32_t value) {
  for (int i = 0; i < 4; ++i) (*bytes)[at + i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

std::optional<Bytes> ProgramDecodeStream(const Bytes& stream, size_t count) {
  Bytes resource(kImageHeaderSize + 4, 0);  // the header and a one-entry colour table
  PutLe32(&resource, 0, kImageHeaderSize);
  PutLe32(&resource, 4, static_cast<uint32_t>((count + 4) / 4 * 4));  // a multiple of 4, >= 4
  PutLe32(&resource, 8, 1);
  resource[12] = 1;           // planes
  resource[14] = 8;           // bits per pixel
  PutLe32(&resource, 32, 1);  // colours used
  resource.insert(resource.end(), stream.begin(), stream.end());
  ImageInfo info;
  size_t decoded = 0;
  std::optional<Bytes> pixels = DecodeRows(resource, &info, &decoded);
  if (pixels) pixels->resize(decoded);
  return pixels;
}

std::optional<Bytes> ProgramDecodeResource(const Bytes& resource) {
  ImageInfo info;
  size_t decoded = 0;
  const std::optional<Bytes> pixels = DecodeRows(resource, &info, &decoded);
  if (!pixels || decoded != size_t(info.width) * info.height) return std::nullopt;
  Bytes topDown;
  for (int y = info.height - 1; y >= 0; --y) {
    const auto row = pixels->begin() + ptrdiff_t(y) * info.width;
    topDown.insert(topDown.end(), row, row + info.width);
  }
  return topDown;
}
