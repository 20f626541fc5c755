// The software compositor against the GDI compositor: the same random lists over the same
// sheets and pictures, and the director's own frames over the program's sheets, drawn by both;
// every pixel must be the same.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "bitmap_pixels.h"
#include "res/resource_ids.h"
#include "show/embedded_images.h"
#include "show/runstate.h"
#include "show/show.h"
#include "show/soft_compositor.h"
#include "tests/support/draw_entry.h"
#include "tests/support/indexed_sheet.h"
#include "tests/support/message_pump.h"
#include "tests/support/pixel_checks.h"
#include "tests/support/random_draw_list.h"
#include "windows/gdi/compositor.h"
#include "windows/gdi/graphics.h"
#include "windows/gdi/image.h"

namespace {

// The drawing state the compositor draws with.
Graphics TheGraphics;

constexpr int kOutW = 64;
constexpr int kOutH = 48;
constexpr int kSheetW = 40;
constexpr int kSheetH = 32;

HBITMAP MakeBitmap(const RgbImage& picture) {
  return MakeBitmapOfPixels(picture.pixels.data(), picture.width, picture.height);
}

// "" when the GDI WorkBuffer and the software picture hold the same pixels.
std::string Difference(const SoftPicture& picture) {
  int width = 0, height = 0;
  const std::vector<uint32_t> gdi = BitmapPixels(TheGraphics.WorkBuffer, &width, &height);
  if (width != picture.width || height != picture.height) return "sizes differ";
  return PixelDifference(gdi.data(), picture.work, width, height, "GDI", "software");
}

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  return DefWindowProcA(window, message, w, l);
}

class SoftAgainstGdi : public testing::Test {
 protected:
  static void SetUpTestSuite() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PlainWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "SoftAgainstGdiWindow";
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(WS_EX_TOPMOST, "SoftAgainstGdiWindow", "", WS_POPUP | WS_VISIBLE, 0,
                              0, 640, 480, nullptr, nullptr, windowClass.hInstance, nullptr);
    PumpMessages(0);
  }

  static void TearDownTestSuite() {
    DestroyWindow(window_);
    window_ = nullptr;
  }

  void SetUp() override {
    savedOutput_ = TheGraphics.OutputSize;
    GfxCreatePatterns(TheGraphics);
  }

  void TearDown() override {
    GfxReleaseDrawingContexts(TheGraphics);
    for (SpriteSheet& sheet : TheGraphics.SpriteSheets) {
      if (sheet.image) DeleteObject(sheet.image);
      if (sheet.mask) DeleteObject(sheet.mask);
      sheet = {};
    }
    for (HBITMAP& pattern : TheGraphics.DitherPatterns) {
      DeleteObject(pattern);
      pattern = nullptr;
    }
    if (TheGraphics.BackgroundBuffer) DeleteObject(TheGraphics.BackgroundBuffer);
    if (TheGraphics.WorkBuffer) DeleteObject(TheGraphics.WorkBuffer);
    TheGraphics.BackgroundBuffer = TheGraphics.WorkBuffer = nullptr;
    SoftFreePicture(picture_);
    SoftFreeSheets(sheets_);
    TheGraphics.OutputSize = savedOutput_;
  }

  static inline HWND window_ = nullptr;
  SoftSheets sheets_;
  SoftPicture picture_;
  Size2 savedOutput_ = {};
};

TEST_F(SoftAgainstGdi, RandomListsOverHandMadeSheets) {
  TheGraphics.OutputSize = {kOutW, kOutH};
  for (int s = 0; s < kSheetCount; ++s) {
    const IndexedSheet sheet = HandMadeIndexedSheet(s, kSheetW, kSheetH, 24, 16);
    const RefSheet rgb = RefSheetOf(sheet);
    TheGraphics.SpriteSheets[s] = {MakeBitmap(rgb.image), MakeBitmap(rgb.mask)};
    ASSERT_TRUE(SoftSetSheet(sheets_, s, sheet.width, sheet.height, sheet.indices.data(),
                             sheet.colours.data()));
  }
  RgbImage background(kOutW, kOutH), start(kOutW, kOutH);
  for (int y = 0; y < kOutH; ++y) {
    for (int x = 0; x < kOutW; ++x) {
      background.at(x, y) = 0x406080 + (((x * 13 + y * 7) % 64) << 16) + ((x ^ y) & 31);
      start.at(x, y) = 0x202020 + ((x * 3 + y * 5) % 40) * 0x10203;
    }
  }
  TheGraphics.BackgroundBuffer = MakeBitmap(background);
  TheGraphics.WorkBuffer = MakeBitmap(start);
  ASSERT_TRUE(SoftCreatePicture(picture_, kOutW, kOutH));
  SoftSetBackground(picture_, background.pixels.data());

  std::mt19937 random(kRandomDrawListSeed);
  SoftRect changed[kDrawListSlots];
  for (int round = 0; round < 300; ++round) {
    DrawListFill(RandomDrawList(random, kOutW, kOutH, kSheetW, kSheetH));
    // Each round starts from the same picture in both.
    WriteBitmapPixels(TheGraphics.WorkBuffer, start.pixels.data(), kOutW, kOutH);
    std::memcpy(picture_.work, start.pixels.data(), start.pixels.size() * 4);
    GfxRenderFrame(TheGraphics, window_, TestDrawList(), 1);
    SoftRenderFrame(picture_, sheets_, TestDrawList(), changed);
    ASSERT_EQ(Difference(picture_), "") << "round " << round;
  }
}

TEST_F(SoftAgainstGdi, TheDirectorsFramesOverTheProgramsSheets) {
  // The sheets loaded by each compositor its own way from the same resources, and every frame
  // of a few scenes drawn into black buffers of a 640 x 480 screen.
  TheGraphics.OutputSize = {640, 480};
  const HDC screen = GetDC(nullptr);
  for (int s = 0; s < kSheetCount; ++s) {
    TheGraphics.SpriteSheets[s] = {GfxLoadBitmap(screen, kSheetResources[s], 0, kUnscaled),
                                   GfxLoadBitmap(screen, kSheetResources[s], 1, kUnscaled)};
    ASSERT_NE(TheGraphics.SpriteSheets[s].image, nullptr);
    ASSERT_NE(TheGraphics.SpriteSheets[s].mask, nullptr);
    const uint8_t* data = nullptr;
    size_t size = 0;
    ASSERT_TRUE(EmbeddedImage(kSheetResources[s], &data, &size));
    ASSERT_TRUE(SoftLoadSheet(sheets_, s, data, size));
  }
  ASSERT_EQ(GfxCreateBuffers(TheGraphics, screen), 1);
  ReleaseDC(nullptr, screen);
  ASSERT_TRUE(SoftCreatePicture(picture_, 640, 480));

  Show show;
  ShowSetUp(show, RUN_SAVER, {640, 480}, {640, 480}, 1000, 20261210);
  SoftRect changed[kDrawListSlots];
  int drawnTicks = 0;
  for (int tick = 1; tick <= 240; ++tick) {
    DirectorTick(show);
    GfxRenderFrame(TheGraphics, window_, show.drawList.entries, 1);
    drawnTicks += SoftRenderFrame(picture_, sheets_, show.drawList.entries, changed) > 0;
    ASSERT_EQ(Difference(picture_), "") << "tick " << tick;
  }
  EXPECT_GT(drawnTicks, 100);
}

}  // namespace
