// The present of the WorkBuffer at a zoom, against real GDI: each picture pixel of the
// rectangle becomes a zoom x zoom block at the zoomed place, and nothing outside it changes.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <random>
#include <vector>

#include "bitmap_pixels.h"
#include "windows/gdi/compositor.h"
#include "windows/gdi/graphics.h"

namespace {

// The drawing state the compositor draws with.
Graphics TheGraphics;

constexpr int kPictureW = 20;
constexpr int kPictureH = 12;
constexpr uint32_t kUntouched = 0x336699;

HBITMAP MakePicture(const std::vector<uint32_t>& pixels, int width, int height) {
  return MakeBitmapOfPixels(pixels.data(), width, height);
}

struct Case {
  int zoom;
  int x, y, width, height;  // the rectangle presented, in picture pixels
};

TEST(PresentZoom, EachPicturePixelBecomesABlockAtTheZoomedPlace) {
  constexpr Case kCases[] = {
      {1, 0, 0, kPictureW, kPictureH},  // the plain copy of the whole picture
      {2, 0, 0, kPictureW, kPictureH},  // the whole picture doubled
      {2, 3, 2, 8, 5},                  // a changed rectangle only
      {3, 19, 11, 1, 1},                // the last pixel
      {3, 5, 4, 0, 3},                  // nothing
  };
  std::mt19937 random(7);
  std::vector<uint32_t> picture(kPictureW * kPictureH);
  for (uint32_t& p : picture) p = random() & 0xF0F0F0;  // colours a 16-bit screen keeps
  const HBITMAP savedWork = TheGraphics.WorkBuffer;
  TheGraphics.WorkBuffer = MakePicture(picture, kPictureW, kPictureH);

  for (const Case& c : kCases) {
    SCOPED_TRACE(testing::Message() << "zoom " << c.zoom << " rect " << c.x << "," << c.y << " "
                                    << c.width << "x" << c.height);
    const int targetW = kPictureW * c.zoom + 5, targetH = kPictureH * c.zoom + 5;
    const HBITMAP target =
        MakePicture(std::vector<uint32_t>(targetW * targetH, kUntouched), targetW, targetH);
    const HDC screen = GetDC(nullptr);
    const HDC targetDC = CreateCompatibleDC(screen);
    ReleaseDC(nullptr, screen);
    const HGDIOBJ previous = SelectObject(targetDC, target);
    GfxPresentRect(TheGraphics, targetDC, c.x, c.y, c.width, c.height, c.zoom);
    SelectObject(targetDC, previous);
    DeleteDC(targetDC);

    int width = 0, height = 0;
    const std::vector<uint32_t> shown = BitmapPixels(target, &width, &height);
    DeleteObject(target);
    int wrong = 0;
    for (int y = 0; y < height; ++y) {
      for (int x = 0; x < width; ++x) {
        const int px = x / c.zoom, py = y / c.zoom;
        const bool inside = px >= c.x && px < c.x + c.width && py >= c.y && py < c.y + c.height;
        const uint32_t want = inside ? picture[py * kPictureW + px] : kUntouched;
        if (shown[y * width + x] != want && wrong++ < 3)
          ADD_FAILURE() << "at " << x << "," << y << std::hex << " got " << shown[y * width + x]
                        << " want " << want;
      }
    }
    EXPECT_EQ(wrong, 0);
  }
  GfxReleaseDrawingContexts(TheGraphics);
  DeleteObject(TheGraphics.WorkBuffer);
  TheGraphics.WorkBuffer = savedWork;
}

}  // namespace
