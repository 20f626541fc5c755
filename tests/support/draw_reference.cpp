#include "tests/support/draw_reference.h"

#include <algorithm>

namespace {

// Densest first; MSB is the leftmost column, a 1-bit is a drawn pixel.
constexpr uint8_t kRows[8][8] = {
    {0xFF, 0xFF, 0xFF, 0x77, 0xFF, 0xFF, 0xFF, 0x77},
    {0xFF, 0xDD, 0xFF, 0x77, 0xFF, 0xDD, 0xFF, 0x77},
    {0xFF, 0x55, 0xFF, 0x55, 0xFF, 0x55, 0xFF, 0x55},
    {0xEE, 0x55, 0xBB, 0x55, 0xEE, 0x55, 0xBB, 0x55},
    {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55},
    {0xAA, 0x44, 0xAA, 0x11, 0xAA, 0x44, 0xAA, 0x11},
    {0xAA, 0x00, 0xAA, 0x00, 0xAA, 0x00, 0xAA, 0x00},
    {0x88, 0x00, 0x22, 0x00, 0x88, 0x00, 0x22, 0x00},
};

}  // namespace

const uint8_t* RefPatternRows(int pattern) { return kRows[pattern]; }

bool RefDitherDraws(int level, int col, int row) {
  return (kRows[level - 1][row % 8] >> (7 - col % 8)) & 1;
}

void RefDrawEntry(const DrawEntry& entry, const RefSheet* sheets, const RgbImage& background,
                  RgbImage* work) {
  const int level = entry.level & 15;
  if (level > 8 || entry.sheet >= kSheetCount || entry.kind > DRAW_RESTORE) return;
  const RefSheet& sheet = sheets[entry.sheet];
  // The visible part of the rectangle; the dither pattern starts at its top-left pixel.
  const int left = std::max<int>(entry.x, 0);
  const int top = std::max<int>(entry.y, 0);
  const int right = std::min(entry.x + entry.width, work->width);
  const int bottom = std::min(entry.y + entry.height, work->height);
  for (int y = top; y < bottom; ++y) {
    for (int x = left; x < right; ++x) {
      const int sx = entry.srcX + (x - entry.x);
      const int sy = entry.srcY + (y - entry.y);
      if (sx < 0 || sy < 0 || sx >= sheet.image.width || sy >= sheet.image.height) continue;
      const bool inShape = sheet.mask.at(sx, sy) == kBlack;
      const Rgb image = sheet.image.at(sx, sy);
      Rgb& out = work->at(x, y);
      switch (entry.kind) {
        case DRAW_OPAQUE:
          out = image;
          break;
        case DRAW_MASKED:
          if (inShape && (level == 0 || RefDitherDraws(level, x - left, y - top))) out = image;
          break;
        case DRAW_SILHOUETTE:
          if (inShape) out = kBlack;
          break;
        case DRAW_RESTORE:
          if (inShape) out = background.at(x, y);
          break;
      }
    }
  }
}

void RefDrawList(const DrawEntry* entries, const RefSheet* sheets, const RgbImage& background,
                 RgbImage* work) {
  for (int slot = 0; slot < kDrawListSlots && entries[slot].kind != DRAW_END; ++slot) {
    RefDrawEntry(entries[slot], sheets, background, work);
  }
}
