#include "tools/art/installer_picture.h"

#include <cstdio>

#include "show/cast_tables.h"

namespace {

constexpr const struct FrameRect* kFrameTables[kSheetCount] = {kFrameTable0, kFrameTable1,
                                                               kFrameTable2};
constexpr int kFrameCounts[kSheetCount] = {12, 12, 6};

// A scene of three, one character of each sheet, as the saver might place it: the last one
// fading in.
constexpr InstallerFigure kFigures[] = {
    {0, 0, 14, 10, false},
    {1, 0, 74, 112, false},
    {2, 4, 22, 214, true},
};

void DrawFigure(const IndexedImage& sheet, const InstallerFigure& figure,
                std::vector<uint8_t>* rgb) {
  const struct FrameRect& frame = kFrameTables[figure.sheet][figure.frame];
  for (int y = 0; y < frame.height / 2; ++y) {
    for (int x = 0; x < frame.width / 2; ++x) {
      const int px = figure.x + x, py = figure.y + y;
      if (px < 0 || py < 0 || px >= kInstallerPictureWidth || py >= kInstallerPictureHeight)
        continue;
      if (figure.faded && ((px + py) & 1) != 0) continue;
      int sum[3] = {0, 0, 0}, opaque = 0;
      for (int dy = 0; dy < 2; ++dy) {
        for (int dx = 0; dx < 2; ++dx) {
          const int sx = frame.srcX + 2 * x + dx, sy = frame.srcY + 2 * y + dy;
          const uint8_t index = sheet.pixels[static_cast<size_t>(sy) * sheet.width + sx];
          if (index == 0 || index >= sheet.palette.size()) continue;  // 0 is transparent
          const Rgb& colour = sheet.palette[index];
          sum[0] += colour.r, sum[1] += colour.g, sum[2] += colour.b;
          ++opaque;
        }
      }
      if (opaque < 2) continue;
      uint8_t* out = &(*rgb)[(static_cast<size_t>(py) * kInstallerPictureWidth + px) * 3];
      for (int c = 0; c < 3; ++c) out[c] = static_cast<uint8_t>(sum[c] / opaque);
    }
  }
}

void PutLe(std::vector<uint8_t>* out, uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out->push_back(static_cast<uint8_t>(value >> (8 * i)));
}

}  // namespace

bool ComposeInstallerPicture(const std::vector<IndexedImage>& sheets, std::vector<uint8_t>* rgb,
                             std::string* error) {
  if (sheets.size() != static_cast<size_t>(kSheetCount)) {
    *error = "three sprite sheets are needed";
    return false;
  }
  for (int sheet = 0; sheet < kSheetCount; ++sheet) {
    const IndexedImage& image = sheets[sheet];
    if (image.width != kSheetWidth[sheet] || image.height != kSheetHeight[sheet] ||
        image.pixels.size() != static_cast<size_t>(image.width) * image.height) {
      *error = "sprite sheet " + std::to_string(sheet) + " is not the size of the cast's tables";
      return false;
    }
  }
  rgb->assign(static_cast<size_t>(kInstallerPictureWidth) * kInstallerPictureHeight * 3, 0);
  for (const InstallerFigure& figure : kFigures) {
    if (figure.frame >= kFrameCounts[figure.sheet]) continue;
    DrawFigure(sheets[figure.sheet], figure, rgb);
  }
  return true;
}

bool WriteBmp(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb,
              std::string* error) {
  if (width <= 0 || height <= 0 || rgb.size() != static_cast<size_t>(width) * height * 3) {
    *error = "the picture's size does not match its pixels";
    return false;
  }
  const uint32_t rowSize = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;
  const uint32_t imageSize = rowSize * static_cast<uint32_t>(height);
  std::vector<uint8_t> file;
  file.push_back('B');
  file.push_back('M');
  PutLe(&file, 14 + 40 + imageSize, 4);
  PutLe(&file, 0, 4);
  PutLe(&file, 14 + 40, 4);
  PutLe(&file, 40, 4);  // BITMAPINFOHEADER
  PutLe(&file, static_cast<uint32_t>(width), 4);
  PutLe(&file, static_cast<uint32_t>(height), 4);  // positive: rows bottom to top
  PutLe(&file, 1, 2);
  PutLe(&file, 24, 2);
  PutLe(&file, 0, 4);  // BI_RGB
  PutLe(&file, imageSize, 4);
  PutLe(&file, 2835, 4);  // 72 dots per inch
  PutLe(&file, 2835, 4);
  PutLe(&file, 0, 4);
  PutLe(&file, 0, 4);
  for (int y = height - 1; y >= 0; --y) {
    const uint8_t* row = &rgb[static_cast<size_t>(y) * width * 3];
    for (int x = 0; x < width; ++x) {
      file.push_back(row[3 * x + 2]);
      file.push_back(row[3 * x + 1]);
      file.push_back(row[3 * x]);
    }
    for (uint32_t pad = static_cast<uint32_t>(width) * 3; pad < rowSize; ++pad) file.push_back(0);
  }
  FILE* out = std::fopen(path.c_str(), "wb");
  if (out == nullptr) {
    *error = "cannot write " + path;
    return false;
  }
  const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  const bool closed = std::fclose(out) == 0;
  if (!written || !closed) {
    *error = "cannot write " + path;
    return false;
  }
  return true;
}
