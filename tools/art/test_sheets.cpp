// Checks the committed sprite sheets against what the program relies on.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "show/cast_tables.h"
#include "tools/art/png_io.h"
#include "tools/art/sheet_names.h"

namespace {

IndexedImage Load(int sheet) {
  IndexedImage image;
  std::string error;
  const std::string path = std::string(ART_SOURCE_DIR) + "/res/" + SheetPictureName(sheet);
  EXPECT_TRUE(ReadIndexedPng(path, &image, &error)) << path << ": " << error;
  return image;
}

TEST(Sheets, ShareOnePaletteWithTheKeyFirstAndNeverUse255) {
  const IndexedImage first = Load(0);
  ASSERT_EQ(first.palette.size(), 256u);
  EXPECT_EQ(first.palette[0], (Rgb{64, 64, 64}));
  for (int sheet = 0; sheet < kSheetCount; ++sheet) {
    SCOPED_TRACE(SheetPictureName(sheet));
    const IndexedImage image = Load(sheet);
    EXPECT_EQ(image.width, kSheetWidth[sheet]);
    EXPECT_EQ(image.height, kSheetHeight[sheet]);
    EXPECT_EQ(image.palette, first.palette);
    for (uint8_t v : image.pixels) ASSERT_NE(v, 255);
  }
}

TEST(Sheets, FramesHoldTheCastAndNothingLiesOutside) {
  for (int sheet = 0; sheet < kSheetCount; ++sheet) {
    SCOPED_TRACE(SheetPictureName(sheet));
    const IndexedImage image = Load(sheet);
    ASSERT_EQ(image.pixels.size(), static_cast<size_t>(image.width) * image.height);
    auto at = [&](int x, int y) { return image.pixels[static_cast<size_t>(y) * image.width + x]; };
    std::vector<bool> inFrame(image.pixels.size(), false);
    const int frames = sheet == 2 ? 6 : 12;
    for (int i = 0; i < frames; ++i) {
      SCOPED_TRACE("frame " + std::to_string(i));
      const FrameRect r = SheetFrameTable(sheet)[i];
      int lowest = -1, opaque = 0;
      for (int y = 0; y < r.height; ++y) {
        for (int x = 0; x < r.width; ++x) {
          const int sx = r.srcX + x, sy = r.srcY + y;
          inFrame[static_cast<size_t>(sy) * image.width + sx] = true;
          if (at(sx, sy) == 0) continue;
          ++opaque;
          lowest = y;
          // A little free margin along every edge of the frame.
          EXPECT_TRUE(x >= 1 && y >= 1 && x < r.width - 1 && y < r.height - 1)
              << "drawn on the edge at " << x << "," << y;
        }
      }
      // A real character, standing on the bottom of its frame.
      EXPECT_GT(opaque, r.width * r.height / 5);
      EXPECT_GE(lowest, r.height - 6);
    }
    for (int y = 0; y < image.height; ++y) {
      for (int x = 0; x < image.width; ++x) {
        const uint8_t v = at(x, y);
        if (!inFrame[static_cast<size_t>(y) * image.width + x]) {
          ASSERT_EQ(v, 0) << "outside every frame at " << x << "," << y;
          continue;
        }
        if (v == 0) continue;
        // No stray pixel without an opaque neighbour.
        const bool neighbour = (x > 0 && at(x - 1, y)) || (x + 1 < image.width && at(x + 1, y)) ||
                               (y > 0 && at(x, y - 1)) || (y + 1 < image.height && at(x, y + 1));
        EXPECT_TRUE(neighbour) << "isolated pixel at " << x << "," << y;
      }
    }
  }
}

}  // namespace
