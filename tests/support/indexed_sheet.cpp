#include "tests/support/indexed_sheet.h"

namespace {

constexpr uint32_t kColours[] = {0xD04010, 0x1080F0, 0x60E040, 0xFFFF00, 0x8000A0, 0x000000};
constexpr int kColourCount = sizeof kColours / sizeof kColours[0];

}  // namespace

IndexedSheet HandMadeIndexedSheet(int variant, int width, int height, int solidX, int solidY) {
  IndexedSheet sheet;
  sheet.width = width;
  sheet.height = height;
  sheet.indices.resize(size_t(width) * height);
  // Index 0 keeps a colour of its own, which must never show.
  sheet.colours[0] = 0x404040;
  for (int i = 0; i < kColourCount; ++i) sheet.colours[10 + 7 * i] = kColours[i];
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      const bool solid = x >= solidX && y >= solidY;
      const bool hole =
          (x >= 10 && x < 18 && y >= 9 && y < 17) || x < 2 || (x * 7 + y * 3 + variant) % 11 == 0;
      const int colour = (x / 5 + y / 4 + variant) % kColourCount;
      sheet.indices[size_t(y) * width + x] = solid || !hole ? uint8_t(10 + 7 * colour) : 0;
    }
  }
  return sheet;
}

RefSheet RefSheetOf(const IndexedSheet& sheet) {
  RefSheet ref{RgbImage(sheet.width, sheet.height), RgbImage(sheet.width, sheet.height)};
  for (int y = 0; y < sheet.height; ++y) {
    for (int x = 0; x < sheet.width; ++x) {
      const uint8_t index = sheet.indices[size_t(y) * sheet.width + x];
      ref.image.at(x, y) = index ? sheet.colours[index] : kBlack;
      ref.mask.at(x, y) = index ? kBlack : kWhite;
    }
  }
  return ref;
}
