// The image loader on real GDI: palettes and both renderings of the program's pictures, and
// the preview's shrink.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "res/resource_ids.h"
#include "show/image_decode.h"
#include "show/runstate.h"
#include "tests/wine/bitmap_pixels.h"
#include "windows/gdi/image.h"

namespace {

struct Picture {
  int id;
  int width;
  int height;
  COLORREF colourZero;
};

constexpr Picture kPictures[] = {{RESOURCE_SKIN, 344, 560, RGB(248, 0, 248)},
                                 {RESOURCE_SHEET0, 600, 632, RGB(64, 64, 64)},
                                 {RESOURCE_SHEET1, 480, 768, RGB(64, 64, 64)},
                                 {RESOURCE_SHEET2, 616, 496, RGB(64, 64, 64)}};

// The resource's decoded colour indices, top row first.
std::vector<uint8_t> Indices(int id, ImageInfo* info) {
  HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));
  const auto* data = static_cast<const uint8_t*>(LockResource(LoadResource(nullptr, found)));
  const size_t size = SizeofResource(nullptr, found);
  EXPECT_TRUE(ImageReadInfo(data, size, info));
  std::vector<uint8_t> pixels(info->pixelBufferSize, 0);
  size_t decoded = 0;
  EXPECT_TRUE(ImageDecodePixels(data, size, *info, pixels.data(), &decoded));
  EXPECT_EQ(decoded, size_t(info->width) * info->height) << "resource " << id;
  std::vector<uint8_t> topDown(size_t(info->width) * info->height);
  for (int y = 0; y < info->height; ++y)
    for (int x = 0; x < info->width; ++x)
      topDown[size_t(y) * info->width + x] = pixels[size_t(info->height - 1 - y) * info->width + x];
  return topDown;
}

class ImageLoader : public testing::Test {
 protected:
  void SetUp() override { screen_ = GetDC(nullptr); }
  void TearDown() override { ReleaseDC(nullptr, screen_); }
  HDC screen_ = nullptr;
};

TEST_F(ImageLoader, PaletteKeepsTheStoredColours) {
  for (const Picture& picture : kPictures) {
    HPALETTE palette = GfxLoadPalette(picture.id);
    ASSERT_NE(palette, nullptr) << picture.id;
    PALETTEENTRY entries[256];
    ASSERT_EQ(GetPaletteEntries(palette, 0, 256, entries), 256u);
    EXPECT_EQ(RGB(entries[0].peRed, entries[0].peGreen, entries[0].peBlue), picture.colourZero);
    EXPECT_EQ(entries[0].peFlags, 0);
    DeleteObject(palette);
  }
  EXPECT_EQ(GfxLoadPalette(999), nullptr);
  EXPECT_EQ(GfxLoadBitmap(screen_, 999, 0, kUnscaled), nullptr);
}

TEST_F(ImageLoader, ImageAndMaskRenderingsFollowTheIndices) {
  for (const Picture& picture : kPictures) {
    ImageInfo info;
    const std::vector<uint8_t> indices = Indices(picture.id, &info);
    ASSERT_EQ(info.width, picture.width);
    ASSERT_EQ(info.height, picture.height);
    HPALETTE palette = GfxLoadPalette(picture.id);
    PALETTEENTRY entries[256];
    GetPaletteEntries(palette, 0, 256, entries);
    HBITMAP image = GfxLoadBitmap(screen_, picture.id, 0, kUnscaled);
    HBITMAP mask = GfxLoadBitmap(screen_, picture.id, 1, kUnscaled);
    ASSERT_NE(image, nullptr);
    ASSERT_NE(mask, nullptr);
    int w, h;
    const std::vector<uint32_t> imagePixels = BitmapPixels(image, &w, &h);
    ASSERT_EQ(w, picture.width);
    ASSERT_EQ(h, picture.height);
    const std::vector<uint32_t> maskPixels = BitmapPixels(mask, &w, &h);
    int wrong = 0;
    for (size_t i = 0; i < indices.size() && wrong < 5; ++i) {
      const PALETTEENTRY& e = entries[indices[i]];
      const uint32_t colour = indices[i] == 0 ? 0 : (e.peRed << 16 | e.peGreen << 8 | e.peBlue);
      const uint32_t maskColour = indices[i] == 0 ? 0xFFFFFF : 0;
      if (imagePixels[i] != colour || maskPixels[i] != maskColour) {
        ++wrong;
        ADD_FAILURE() << picture.id << " pixel " << i << " index " << int(indices[i]);
      }
    }
    DeleteObject(image);
    DeleteObject(mask);
    DeleteObject(palette);
  }
}

TEST_F(ImageLoader, PreviewShrinksByDroppingRowsAndColumns) {
  struct Case {
    int scale;
    int id;
    int width, height;
  };
  const Case cases[] = {{237, RESOURCE_SHEET0, 142, 149},
                        {237, RESOURCE_SHEET1, 113, 182},
                        {237, RESOURCE_SHEET2, 145, 117},
                        {1000, RESOURCE_SHEET0, 600, 632},
                        {148, RESOURCE_SHEET2, 91, 73}};
  for (const Case& c : cases) {
    HBITMAP image = GfxLoadBitmap(screen_, c.id, 0, c.scale);
    HBITMAP mask = GfxLoadBitmap(screen_, c.id, 1, c.scale);
    int w, h;
    const std::vector<uint32_t> imagePixels = BitmapPixels(image, &w, &h);
    EXPECT_EQ(w, c.width);
    EXPECT_EQ(h, c.height);
    const std::vector<uint32_t> maskPixels = BitmapPixels(mask, &w, &h);
    int sprite = 0;
    for (size_t i = 0; i < maskPixels.size(); ++i) {
      // Still purely black and white, and in register: the image is black under white mask.
      ASSERT_TRUE(maskPixels[i] == 0 || maskPixels[i] == 0xFFFFFF) << c.id << " " << i;
      if (maskPixels[i] == 0xFFFFFF) {
        ASSERT_EQ(imagePixels[i], 0u) << c.id << " " << i;
      }
      sprite += maskPixels[i] == 0;
    }
    EXPECT_GT(sprite, 0);
    DeleteObject(image);
    DeleteObject(mask);
  }
  // The settings window's skin is never shrunk.
  HBITMAP skin = GfxLoadBitmap(screen_, RESOURCE_SKIN, 0, kUnscaled);
  int w, h;
  BitmapPixels(skin, &w, &h);
  EXPECT_EQ(w, 344);
  EXPECT_EQ(h, 560);
  DeleteObject(skin);
}

}  // namespace
