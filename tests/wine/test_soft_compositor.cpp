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
#include "windows/gdi/compositor.h"
#include "windows/gdi/graphics.h"
#include "windows/gdi/image.h"
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

namespace {

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
  const std::vector<uint32_t> gdi = BitmapPixels(WorkBuffer, &width, &height);
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
    savedRunMode_ = RunMode;
    savedScreen_ = ScreenSize;
    savedOutput_ = OutputSize;
    savedScale_ = ScaleFactor;
    RunMode = RUN_SAVER;
    ScaleFactor = 1000;
    GfxCreatePatterns();
  }

  void TearDown() override {
    GfxReleaseDrawingContexts();
    for (SpriteSheet& sheet : SpriteSheets) {
      if (sheet.image) DeleteObject(sheet.image);
      if (sheet.mask) DeleteObject(sheet.mask);
      sheet = {};
    }
    for (HBITMAP& pattern : DitherPatterns) {
      DeleteObject(pattern);
      pattern = nullptr;
    }
    if (BackgroundBuffer) DeleteObject(BackgroundBuffer);
    if (WorkBuffer) DeleteObject(WorkBuffer);
    BackgroundBuffer = WorkBuffer = nullptr;
    SoftFreePicture(picture_);
    SoftFreeSheets(sheets_);
    RunMode = savedRunMode_;
    ScreenSize = savedScreen_;
    OutputSize = savedOutput_;
    ScaleFactor = savedScale_;
  }

  static inline HWND window_ = nullptr;
  SoftSheets sheets_;
  SoftPicture picture_;
  int32_t savedRunMode_ = 0, savedScale_ = 0;
  Size2 savedScreen_ = {}, savedOutput_ = {};
};

TEST_F(SoftAgainstGdi, RandomListsOverHandMadeSheets) {
  OutputSize = {kOutW, kOutH};
  for (int s = 0; s < kSheetCount; ++s) {
    const IndexedSheet sheet = HandMadeIndexedSheet(s, kSheetW, kSheetH, 24, 16);
    const RefSheet rgb = RefSheetOf(sheet);
    SpriteSheets[s] = {MakeBitmap(rgb.image), MakeBitmap(rgb.mask)};
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
  BackgroundBuffer = MakeBitmap(background);
  WorkBuffer = MakeBitmap(start);
  ASSERT_TRUE(SoftCreatePicture(picture_, kOutW, kOutH));
  SoftSetBackground(picture_, background.pixels.data());

  std::mt19937 random(kRandomDrawListSeed);
  SoftRect changed[kDrawListSlots];
  for (int round = 0; round < 300; ++round) {
    DrawListFill(RandomDrawList(random, kOutW, kOutH, kSheetW, kSheetH));
    // Each round starts from the same picture in both.
    WriteBitmapPixels(WorkBuffer, start.pixels.data(), kOutW, kOutH);
    std::memcpy(picture_.work, start.pixels.data(), start.pixels.size() * 4);
    GfxRenderFrame(window_, TestDrawList());
    SoftRenderFrame(picture_, sheets_, TestDrawList(), changed);
    ASSERT_EQ(Difference(picture_), "") << "round " << round;
  }
}

TEST_F(SoftAgainstGdi, TheDirectorsFramesOverTheProgramsSheets) {
  // The sheets loaded by each compositor its own way from the same resources, and every frame
  // of a few scenes drawn into black buffers of a 640 x 480 screen.
  ScreenSize = OutputSize = {640, 480};
  const HDC screen = GetDC(nullptr);
  for (int s = 0; s < kSheetCount; ++s) {
    SpriteSheets[s] = {GfxLoadBitmap(screen, kSheetResources[s], 0),
                       GfxLoadBitmap(screen, kSheetResources[s], 1)};
    ASSERT_NE(SpriteSheets[s].image, nullptr);
    ASSERT_NE(SpriteSheets[s].mask, nullptr);
    const uint8_t* data = nullptr;
    size_t size = 0;
    ASSERT_TRUE(EmbeddedImage(kSheetResources[s], &data, &size));
    ASSERT_TRUE(SoftLoadSheet(sheets_, s, data, size));
  }
  ASSERT_EQ(GfxCreateBuffers(screen), 1);
  ReleaseDC(nullptr, screen);
  ASSERT_TRUE(SoftCreatePicture(picture_, 640, 480));

  Show show;
  ShowSetUp(show, RUN_SAVER, {640, 480}, {640, 480}, 1000, 20261210);
  SoftRect changed[kDrawListSlots];
  int drawnTicks = 0;
  for (int tick = 1; tick <= 240; ++tick) {
    DirectorTick(show);
    GfxRenderFrame(window_, show.drawList.entries);
    drawnTicks += SoftRenderFrame(picture_, sheets_, show.drawList.entries, changed) > 0;
    ASSERT_EQ(Difference(picture_), "") << "tick " << tick;
  }
  EXPECT_GT(drawnTicks, 100);
}

}  // namespace
