// The compositor against real GDI: small hand-made sheets, a non-black background and work
// picture, the DrawList filled through its own functions, and the WorkBuffer and window read
// back and compared with the reference drawing of tests/support/draw_reference.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "show/runstate.h"
#include "tests/support/draw_entry.h"
#include "tests/support/draw_reference.h"
#include "tests/support/message_pump.h"
#include "tests/support/pixel_checks.h"
#include "tests/support/random_draw_list.h"
#include "tests/wine/bitmap_pixels.h"
#include "windows/gdi/compositor.h"
#include "windows/gdi/graphics.h"

namespace {

// The drawing state the compositor draws with.
Graphics TheGraphics;

constexpr int kOutW = 64;
constexpr int kOutH = 48;
constexpr int kSheetW = 40;
constexpr int kSheetH = 32;
// A part of every sheet that lies wholly inside the sprite.
constexpr int kSolidX = 24;
constexpr int kSolidY = 16;
constexpr Rgb kSheetColours[] = {0xD04010, 0x1080F0, 0x60E040, 0xFFFF00, 0x8000A0};

void WriteBitmap(HBITMAP bitmap, const RgbImage& picture) {
  WriteBitmapPixels(bitmap, picture.pixels.data(), picture.width, picture.height);
}

HBITMAP MakeBitmap(const RgbImage& picture) {
  return MakeBitmapOfPixels(picture.pixels.data(), picture.width, picture.height);
}

RgbImage ReadBitmap(HBITMAP bitmap) {
  RgbImage picture;
  picture.pixels = BitmapPixels(bitmap, &picture.width, &picture.height);
  return picture;
}

RgbImage ReadWindow(HWND window, int width, int height) {
  RgbImage picture(width, height);
  picture.pixels = WindowPixels(window, width, height);
  return picture;
}

// Sheet `s`: a few colours, a hole in the middle, scattered one-pixel holes, a shapeless left
// border and a solid lower-right part; the picture black outside the shape.
RefSheet HandMadeSheet(int s) {
  RefSheet sheet{RgbImage(kSheetW, kSheetH), RgbImage(kSheetW, kSheetH)};
  for (int y = 0; y < kSheetH; ++y) {
    for (int x = 0; x < kSheetW; ++x) {
      const bool solid = x >= kSolidX && y >= kSolidY;
      const bool hole =
          (x >= 10 && x < 18 && y >= 9 && y < 17) || x < 2 || (x * 7 + y * 3 + s) % 11 == 0;
      const bool inShape = solid || !hole;
      sheet.mask.at(x, y) = inShape ? kBlack : kWhite;
      sheet.image.at(x, y) = inShape ? kSheetColours[(x / 5 + y / 4 + s) % 5] : kBlack;
    }
  }
  return sheet;
}

RgbImage Background() {
  RgbImage picture(kOutW, kOutH);
  for (int y = 0; y < kOutH; ++y) {
    for (int x = 0; x < kOutW; ++x) {
      picture.at(x, y) = 0x406080 + (((x * 13 + y * 7) % 64) << 16) + ((x ^ y) & 31);
    }
  }
  return picture;
}

RgbImage StartingWork() {
  RgbImage picture(kOutW, kOutH);
  for (int y = 0; y < kOutH; ++y) {
    for (int x = 0; x < kOutW; ++x) picture.at(x, y) = 0x202020 + ((x * 3 + y * 5) % 40) * 0x10203;
  }
  return picture;
}

// Sheet 1 unless told: a sheet other than the first shows that the entry's sheet is the one read.
DrawEntry Entry(uint8_t kind, int level, int x, int y, int srcX, int srcY, int width, int height,
                int sheet = 1) {
  return MakeDrawEntry(kind, level, x, y, srcX, srcY, width, height, sheet);
}

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  return DefWindowProcA(window, message, w, l);
}

class Compositor : public testing::Test {
 protected:
  // One window for the whole suite: making and destroying a window under Wine takes seconds.
  static void SetUpTestSuite() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = PlainWindowProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "CompositorTestWindow";
    RegisterClassA(&windowClass);
    window_ = CreateWindowExA(WS_EX_TOPMOST, "CompositorTestWindow", "", WS_POPUP | WS_VISIBLE, 0,
                              0, kOutW, kOutH, nullptr, nullptr, windowClass.hInstance, nullptr);
    PumpMessages(0);
  }

  static void TearDownTestSuite() {
    DestroyWindow(window_);
    window_ = nullptr;
  }

  void SetUp() override {
    savedOutputSize_ = TheGraphics.OutputSize;
    TheGraphics.OutputSize = {kOutW, kOutH};
    for (int s = 0; s < kSheetCount; ++s) {
      sheets_[s] = HandMadeSheet(s);
      TheGraphics.SpriteSheets[s] = {MakeBitmap(sheets_[s].image), MakeBitmap(sheets_[s].mask)};
    }
    background_ = Background();
    work_ = StartingWork();
    TheGraphics.BackgroundBuffer = MakeBitmap(background_);
    TheGraphics.WorkBuffer = MakeBitmap(work_);
    GfxCreatePatterns(TheGraphics);
  }

  void TearDown() override {
    GfxReleaseDrawingContexts(TheGraphics);
    for (SpriteSheet& sheet : TheGraphics.SpriteSheets) {
      DeleteObject(sheet.image);
      DeleteObject(sheet.mask);
      sheet = {};
    }
    for (HBITMAP& pattern : TheGraphics.DitherPatterns) {
      DeleteObject(pattern);
      pattern = nullptr;
    }
    DeleteObject(TheGraphics.BackgroundBuffer);
    DeleteObject(TheGraphics.WorkBuffer);
    TheGraphics.BackgroundBuffer = TheGraphics.WorkBuffer = nullptr;
    TheGraphics.OutputSize = savedOutputSize_;
  }

  // Shows the whole WorkBuffer on the window.
  static void PresentWhole() {
    const HDC dc = GetDC(window_);
    GfxPresentRect(TheGraphics, dc, 0, 0, kOutW, kOutH, 1);
    ReleaseDC(window_, dc);
  }

  // Renders the list over the starting work picture; returns the WorkBuffer.
  RgbImage Render(const std::vector<DrawEntry>& entries) {
    DrawListFill(entries);
    WriteBitmap(TheGraphics.WorkBuffer, work_);
    GfxRenderFrame(TheGraphics, window_, TestDrawList(), 1);
    return ReadBitmap(TheGraphics.WorkBuffer);
  }

  // The reference picture of the entries drawn over the starting work picture.
  RgbImage Expected(std::vector<DrawEntry> entries) const {
    entries.push_back(Entry(DRAW_END, 0, 0, 0, 0, 0, 0, 0));
    RgbImage picture = work_;
    RefDrawList(entries.data(), sheets_, background_, &picture);
    return picture;
  }

  static inline HWND window_ = nullptr;
  RefSheet sheets_[kSheetCount];
  RgbImage background_, work_;
  Size2 savedOutputSize_ = {};
};

TEST_F(Compositor, EveryKindAtEveryLevelMatchesTheReference) {
  for (uint8_t kind : {DRAW_OPAQUE, DRAW_MASKED, DRAW_SILHOUETTE, DRAW_RESTORE}) {
    for (int level = 0; level < 16; ++level) {
      const std::vector<DrawEntry> list = {Entry(kind, level, 10, 7, 3, 2, 30, 25)};
      const RgbImage want = Expected(list);
      if (level <= 8) {
        ASSERT_NE(want, work_) << "the entry must show";
      }
      EXPECT_EQ(Difference(Render(list), want), "") << "kind " << int(kind) << " level " << level;
    }
  }
}

TEST_F(Compositor, OnlyTheLowFourBitsOfTheLevelCount) {
  for (int level : {0x10, 0x23, 0x108, 0xFFF9}) {
    const std::vector<DrawEntry> list = {Entry(DRAW_MASKED, level, 4, 4, 0, 0, 40, 32)};
    EXPECT_EQ(
        Difference(Render(list), Expected({Entry(DRAW_MASKED, level & 15, 4, 4, 0, 0, 40, 32)})),
        "")
        << "level " << level;
  }
}

TEST_F(Compositor, RandomListsMatchTheReference) {
  std::mt19937 random(kRandomDrawListSeed);
  for (int round = 0; round < 300; ++round) {
    const std::vector<DrawEntry> list = RandomDrawList(random, kOutW, kOutH, kSheetW, kSheetH);
    WriteBitmap(TheGraphics.WorkBuffer, work_);
    PresentWhole();
    DrawListFill(list);
    GfxRenderFrame(TheGraphics, window_, TestDrawList(), 1);
    const RgbImage want = Expected(list);
    ASSERT_EQ(Difference(ReadBitmap(TheGraphics.WorkBuffer), want), "") << "round " << round;
    ASSERT_EQ(Difference(ReadWindow(window_, kOutW, kOutH), want), "") << "window, round " << round;
  }
}

TEST_F(Compositor, AListDrawnTwiceGivesWhatItGaveOnceOverEitherBackground) {
  // The saver leaves out a tick whose list repeats the last one: that is right only while
  // every list is idempotent. Over the hand-made background, then over the black buffers of
  // GfxCreateBuffers, whose restores take a shorter way.
  std::mt19937 random(20261211);
  for (bool black : {false, true}) {
    if (black) {
      GfxReleaseDrawingContexts(TheGraphics);
      DeleteObject(TheGraphics.BackgroundBuffer);
      DeleteObject(TheGraphics.WorkBuffer);
      const HDC screen = GetDC(nullptr);
      ASSERT_EQ(GfxCreateBuffers(TheGraphics, screen), 1);
      ReleaseDC(nullptr, screen);
      background_ = RgbImage(kOutW, kOutH, kBlack);
    }
    for (int round = 0; round < 150; ++round) {
      const std::vector<DrawEntry> list = RandomDrawList(random, kOutW, kOutH, kSheetW, kSheetH);
      WriteBitmap(TheGraphics.WorkBuffer, work_);
      DrawListFill(list);
      GfxRenderFrame(TheGraphics, window_, TestDrawList(), 1);
      GfxRenderFrame(TheGraphics, window_, TestDrawList(), 1);
      ASSERT_EQ(Difference(ReadBitmap(TheGraphics.WorkBuffer), Expected(list)), "")
          << (black ? "black" : "hand-made") << " background, round " << round;
    }
  }
}

TEST_F(Compositor, DitherLevelsThinOutInNestedSteps) {
  // Entries wholly inside the solid part of the sprite, over a colour the sheet lacks.
  constexpr int kDrawn[] = {64, 60, 56, 48, 40, 32, 24, 16, 8};
  work_ = RgbImage(kOutW, kOutH, 0x123456);
  std::vector<bool> below(64, true);
  for (int level = 0; level <= 8; ++level) {
    const RgbImage got = Render({Entry(DRAW_MASKED, level, 5, 5, kSolidX, kSolidY, 8, 8)});
    std::vector<bool> drawn(64);
    int count = 0;
    for (int i = 0; i < 64; ++i) {
      drawn[i] = got.at(5 + i % 8, 5 + i / 8) != 0x123456;
      count += drawn[i];
      EXPECT_TRUE(!drawn[i] || below[i]) << "level " << level << " pixel " << i;
    }
    EXPECT_EQ(count, kDrawn[level]) << "level " << level;
    below = drawn;
  }
}

TEST_F(Compositor, DitherPatternStartsAtEachEntrysCorner) {
  // Two entries one pixel apart: each draws the pattern from its own top-left pixel, so on
  // the screen the second is the first moved right by one.
  work_ = RgbImage(kOutW, kOutH, 0x123456);
  for (int level = 1; level <= 8; ++level) {
    const RgbImage a = Render({Entry(DRAW_MASKED, level, 5, 5, kSolidX, kSolidY, 8, 8)});
    const RgbImage b = Render({Entry(DRAW_MASKED, level, 6, 5, kSolidX, kSolidY, 8, 8)});
    for (int r = 0; r < 8; ++r) {
      for (int c = 0; c < 8; ++c) {
        EXPECT_EQ(a.at(5 + c, 5 + r) != 0x123456, RefDitherDraws(level, c, r))
            << "level " << level << " at " << c << "," << r;
        EXPECT_EQ(b.at(6 + c, 5 + r) != 0x123456, RefDitherDraws(level, c, r))
            << "level " << level << " at " << c << "," << r;
      }
    }
  }
}

TEST_F(Compositor, ClipsAtEachEdge) {
  struct EdgeCase {
    const char* edge;
    int x, y;
  };
  constexpr EdgeCase kEdges[] = {
      {"left", -13, 6},        {"right", kOutW - 17, 6},
      {"top", 9, -11},         {"bottom", 9, kOutH - 7},
      {"top left", -5, -3},    {"bottom right", kOutW - 3, kOutH - 2},
      {"beyond left", -30, 6}, {"beyond right", kOutW, 6},
      {"beyond top", 9, -25},  {"beyond bottom", 9, kOutH},
  };
  for (const EdgeCase& c : kEdges) {
    for (uint8_t kind : {DRAW_OPAQUE, DRAW_MASKED, DRAW_SILHOUETTE, DRAW_RESTORE}) {
      for (int level : {0, 3, 7}) {
        const std::vector<DrawEntry> list = {Entry(kind, level, c.x, c.y, 6, 4, 30, 25)};
        EXPECT_EQ(Difference(Render(list), Expected(list)), "")
            << c.edge << " kind " << int(kind) << " level " << level;
      }
    }
  }
}

TEST_F(Compositor, ClipRectMovesTheSourceWithTheCutEdge) {
  struct ClipCase {
    SpriteRect in, out;
  };
  constexpr ClipCase kCases[] = {
      {{-5, 3, 10, 20, 30, 8}, {0, 3, 15, 20, 25, 8}},
      {{50, 3, 10, 20, 30, 8}, {50, 3, 10, 20, 14, 8}},
      {{4, -9, 10, 20, 30, 12}, {4, 0, 10, 29, 30, 3}},
      {{4, 40, 10, 20, 30, 12}, {4, 40, 10, 20, 30, 8}},
      {{-70, 3, 10, 20, 30, 8}, {0, 3, 80, 20, -40, 8}},
  };
  for (const ClipCase& c : kCases) {
    SpriteRect rect = c.in;
    ClipSpriteRect(rect, TheGraphics.OutputSize.width, TheGraphics.OutputSize.height);
    EXPECT_EQ(
        std::vector<int>({rect.x, rect.y, rect.srcX, rect.srcY, rect.width, rect.height}),
        std::vector<int>({c.out.x, c.out.y, c.out.srcX, c.out.srcY, c.out.width, c.out.height}));
  }
}

TEST_F(Compositor, UnknownKindsAndSheetsArePassedOver) {
  const DrawEntry drawn = Entry(DRAW_MASKED, 0, 20, 10, 0, 0, 40, 32);
  for (uint8_t kind : {4, 5, 100, 254}) {
    EXPECT_EQ(Difference(Render({Entry(kind, 0, 0, 0, 0, 0, 40, 32), drawn}), Expected({drawn})),
              "")
        << "kind " << int(kind);
  }
  for (uint8_t sheet : {3, 4, 255}) {
    EXPECT_EQ(Difference(Render({Entry(DRAW_OPAQUE, 0, 0, 0, 0, 0, 40, 32, sheet), drawn}),
                         Expected({drawn})),
              "")
        << "sheet " << int(sheet);
  }
}

TEST_F(Compositor, WindowShowsTheWorkBuffer) {
  // With and without a palette: the window shows the starting picture presented whole, as the
  // window's paint does, and after a frame the WorkBuffer with the frame drawn.
  LOGPALETTE* palette =
      static_cast<LOGPALETTE*>(std::malloc(sizeof(LOGPALETTE) + 15 * sizeof(PALETTEENTRY)));
  palette->palVersion = 0x300;
  palette->palNumEntries = 16;
  for (int i = 0; i < 16; ++i) {
    palette->palPalEntry[i] = {BYTE(i * 16), BYTE(255 - i * 16), BYTE(i * 8), 0};
  }
  const HPALETTE palettes[] = {nullptr, CreatePalette(palette)};
  std::free(palette);
  for (HPALETTE p : palettes) {
    TheGraphics.SaverPalette = p;
    WriteBitmap(TheGraphics.WorkBuffer, work_);
    PresentWhole();
    EXPECT_EQ(Difference(ReadWindow(window_, kOutW, kOutH), work_), "")
        << "window, palette " << (p != nullptr);
    const std::vector<DrawEntry> list = {Entry(DRAW_RESTORE, 0, 3, 3, 0, 0, 40, 32),
                                         Entry(DRAW_MASKED, 4, 20, 12, 0, 0, 40, 32)};
    DrawListFill(list);
    GfxRenderFrame(TheGraphics, window_, TestDrawList(), 1);
    EXPECT_EQ(Difference(ReadWindow(window_, kOutW, kOutH), Expected(list)), "")
        << "window, palette " << (p != nullptr);
  }
  TheGraphics.SaverPalette = nullptr;
  DeleteObject(palettes[1]);
}

TEST_F(Compositor, AFramePresentsOnlyTheRectanglesItsListChanged) {
  // The window shows the starting picture; the WorkBuffer is then changed behind the
  // compositor's back. A frame brings to the window only the rectangles its entries touched,
  // each clipped to the output, restores as well as drawn sprites.
  struct PresentCase {
    const char* name;
    std::vector<DrawEntry> list;
  };
  const PresentCase kCases[] = {
      {"empty list", {}},
      {"one sprite over the right edge", {Entry(DRAW_MASKED, 0, 40, 12, 0, 0, 40, 32)}},
      {"restore and sprite apart",
       {Entry(DRAW_RESTORE, 0, -6, -4, 0, 0, 20, 16), Entry(DRAW_MASKED, 3, 44, 30, 0, 0, 15, 12)}},
      {"left out entries",
       {Entry(DRAW_MASKED, 9, 0, 0, 0, 0, 40, 32), Entry(7, 0, 0, 0, 0, 0, 40, 32)}},
  };
  const RgbImage changed(kOutW, kOutH, 0x123456);
  for (const PresentCase& c : kCases) {
    WriteBitmap(TheGraphics.WorkBuffer, work_);
    PresentWhole();
    WriteBitmap(TheGraphics.WorkBuffer, changed);
    DrawListFill(c.list);
    GfxRenderFrame(TheGraphics, window_, TestDrawList(), 1);
    RgbImage want = work_;
    const RgbImage drawn = ReadBitmap(TheGraphics.WorkBuffer);
    for (const DrawEntry& e : c.list) {
      if ((e.level & 15) > 8 || e.kind > DRAW_RESTORE) continue;
      for (int y = std::max(0, int(e.y)); y < std::min(kOutH, e.y + e.height); ++y) {
        for (int x = std::max(0, int(e.x)); x < std::min(kOutW, e.x + e.width); ++x) {
          want.at(x, y) = drawn.at(x, y);
        }
      }
    }
    EXPECT_EQ(Difference(ReadWindow(window_, kOutW, kOutH), want), "") << c.name;
  }
}

TEST_F(Compositor, DrawsAtMostOneHundredFiftyEntries) {
  // Entries 0 to 149 each set one pixel of the top rows; ten more, which the list cannot
  // hold, would cover the bottom rows.
  std::vector<DrawEntry> held;
  for (int i = 0; i < 150; ++i) {
    held.push_back(
        Entry(DRAW_OPAQUE, 0, i % kOutW, i / kOutW, kSolidX + i % 16, kSolidY + i / 16 % 16, 1, 1));
  }
  std::vector<DrawEntry> written = held;
  for (int i = 0; i < 10; ++i) written.push_back(Entry(DRAW_OPAQUE, 0, 0, kOutH - 8, 0, 0, 40, 8));
  EXPECT_EQ(Difference(Render(written), Expected(held)), "");
}

TEST_F(Compositor, RestorePutsTheBackgroundBackInTheShapeOnly) {
  constexpr int kX = 11, kY = 7;
  const RgbImage got = Render({Entry(DRAW_RESTORE, 0, kX, kY, 0, 0, kSheetW, kSheetH, 2)});
  int restored = 0, kept = 0;
  for (int y = 0; y < kOutH; ++y) {
    for (int x = 0; x < kOutW; ++x) {
      const int sx = x - kX, sy = y - kY;
      const bool inShape = sx >= 0 && sy >= 0 && sx < kSheetW && sy < kSheetH &&
                           sheets_[2].mask.at(sx, sy) == kBlack;
      ASSERT_NE(background_.at(x, y), work_.at(x, y));
      ASSERT_EQ(got.at(x, y), inShape ? background_.at(x, y) : work_.at(x, y))
          << x << "," << y << (inShape ? " in the shape" : " outside the shape");
      (inShape ? restored : kept) += 1;
    }
  }
  EXPECT_GT(restored, 500);
  EXPECT_GT(kept, 500);
}

TEST_F(Compositor, CreateBuffersGivesBlackBuffersOfOutputSize) {
  DeleteObject(TheGraphics.BackgroundBuffer);
  DeleteObject(TheGraphics.WorkBuffer);
  TheGraphics.OutputSize = {37, 23};
  const HDC screen = GetDC(nullptr);
  ASSERT_EQ(GfxCreateBuffers(TheGraphics, screen), 1);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(ReadBitmap(TheGraphics.BackgroundBuffer), RgbImage(37, 23, kBlack));
  EXPECT_EQ(ReadBitmap(TheGraphics.WorkBuffer), RgbImage(37, 23, kBlack));
}

TEST_F(Compositor, CreatePatternsGivesTheTablesBits) {
  for (int p = 0; p < kDitherPatternCount; ++p) {
    BITMAP about = {};
    ASSERT_EQ(GetObject(TheGraphics.DitherPatterns[p], sizeof about, &about), int(sizeof about));
    EXPECT_EQ(about.bmWidth, 8);
    EXPECT_EQ(about.bmHeight, 8);
    EXPECT_EQ(about.bmBitsPixel, 1);
    EXPECT_EQ(about.bmWidthBytes, 2);
    BYTE bits[16] = {};
    ASSERT_EQ(GetBitmapBits(TheGraphics.DitherPatterns[p], sizeof bits, bits), 16);
    for (int r = 0; r < 8; ++r) {
      EXPECT_EQ(bits[2 * r], RefPatternRows(p)[r]) << "pattern " << p << " row " << r;
    }
  }
}

}  // namespace
