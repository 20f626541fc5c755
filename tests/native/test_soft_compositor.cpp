// The software compositor against the reference drawing: hand-made and real sheets, random
// lists over every kind, level and edge, the changed rectangles it reports, and damaged input.
#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "res/resource_ids.h"
#include "show/embedded_images.h"
#include "show/image_decode.h"
#include "show/soft_compositor.h"
#include "tests/support/draw_entry.h"
#include "tests/support/draw_reference.h"
#include "tests/support/indexed_sheet.h"
#include "tests/support/pixel_checks.h"
#include "tests/support/random_draw_list.h"

namespace {

constexpr int kOutW = 64;
constexpr int kOutH = 48;
constexpr int kSheetW = 40;
constexpr int kSheetH = 32;
constexpr int kSolidX = 24;
constexpr int kSolidY = 16;

DrawEntry Entry(uint8_t kind, int level, int x, int y, int srcX, int srcY, int width, int height,
                uint8_t sheet = 1) {
  return MakeDrawEntry(kind, level, x, y, srcX, srcY, width, height, sheet);
}

RgbImage PictureOf(const SoftPicture& picture) {
  RgbImage image(picture.width, picture.height);
  std::memcpy(image.pixels.data(), picture.work, image.pixels.size() * sizeof(Rgb));
  return image;
}

void SetWork(SoftPicture& picture, const RgbImage& image) {
  std::memcpy(picture.work, image.pixels.data(), image.pixels.size() * sizeof(Rgb));
}

// "" when the rectangles lie on the picture, apart from each other, and hold every pixel in
// which `before` and `after` differ.
std::string CheckChanged(const RgbImage& before, const RgbImage& after, const SoftRect* rects,
                         int count) {
  for (int i = 0; i < count; ++i) {
    const SoftRect& r = rects[i];
    if (r.width <= 0 || r.height <= 0 || r.x < 0 || r.y < 0 || r.x + r.width > after.width ||
        r.y + r.height > after.height) {
      return "rectangle " + std::to_string(i) + " is empty or leaves the picture";
    }
    for (int j = 0; j < i; ++j) {
      const SoftRect& o = rects[j];
      if (r.x < o.x + o.width && o.x < r.x + r.width && r.y < o.y + o.height &&
          o.y < r.y + r.height) {
        return "rectangles " + std::to_string(j) + " and " + std::to_string(i) + " overlap";
      }
    }
  }
  // Each rectangle is narrowed to what changed: a changed pixel on each of its four edges.
  const auto changedAt = [&](int x, int y) { return before.at(x, y) != after.at(x, y); };
  for (int i = 0; i < count; ++i) {
    const SoftRect& r = rects[i];
    bool top = false, bottom = false, left = false, right = false;
    for (int x = r.x; x < r.x + r.width; ++x) {
      top = top || changedAt(x, r.y);
      bottom = bottom || changedAt(x, r.y + r.height - 1);
    }
    for (int y = r.y; y < r.y + r.height; ++y) {
      left = left || changedAt(r.x, y);
      right = right || changedAt(r.x + r.width - 1, y);
    }
    if (!top || !bottom || !left || !right) {
      return "rectangle " + std::to_string(i) + " is wider than what changed";
    }
  }
  return ChangedOutsideRects(before.pixels.data(), after.pixels.data(), after.width, after.height,
                             rects, count);
}

class SoftCompositor : public testing::Test {
 protected:
  void SetUp() override {
    for (int s = 0; s < kSheetCount; ++s) {
      const IndexedSheet sheet = HandMadeIndexedSheet(s, kSheetW, kSheetH, kSolidX, kSolidY);
      ASSERT_TRUE(SoftSetSheet(softSheets_, s, sheet.width, sheet.height, sheet.indices.data(),
                               sheet.colours.data()));
      sheets_[s] = RefSheetOf(sheet);
    }
    ASSERT_TRUE(SoftCreatePicture(picture_, kOutW, kOutH));
    background_ = RgbImage(kOutW, kOutH);
    work_ = RgbImage(kOutW, kOutH);
    for (int y = 0; y < kOutH; ++y) {
      for (int x = 0; x < kOutW; ++x) {
        background_.at(x, y) = 0x406080 + (((x * 13 + y * 7) % 64) << 16) + ((x ^ y) & 31);
        work_.at(x, y) = 0x202020 + ((x * 3 + y * 5) % 40) * 0x10203;
      }
    }
    SoftSetBackground(picture_, background_.pixels.data());
  }

  void TearDown() override {
    SoftFreePicture(picture_);
    SoftFreeSheets(softSheets_);
  }

  int RenderList(SoftRect* changed) {
    return SoftRenderFrame(picture_, softSheets_, TestDrawList(), changed);
  }

  // Renders the list over the starting work picture; returns the work picture and checks the
  // changed rectangles against what did change.
  RgbImage Render(const std::vector<DrawEntry>& entries) {
    DrawListFill(entries);
    SetWork(picture_, work_);
    SoftRect changed[kDrawListSlots];
    const int count = RenderList(changed);
    const RgbImage got = PictureOf(picture_);
    EXPECT_EQ(CheckChanged(work_, got, changed, count), "");
    return got;
  }

  RgbImage Expected(std::vector<DrawEntry> entries) const {
    entries.push_back(Entry(DRAW_END, 0, 0, 0, 0, 0, 0, 0));
    RgbImage picture = work_;
    RefDrawList(entries.data(), sheets_, background_, &picture);
    return picture;
  }

  RefSheet sheets_[kSheetCount];
  SoftSheets softSheets_;
  SoftPicture picture_;
  RgbImage background_, work_;
};

TEST_F(SoftCompositor, RandomListsMatchTheReference) {
  std::mt19937 random(kRandomDrawListSeed);
  for (int round = 0; round < 3000; ++round) {
    const std::vector<DrawEntry> list = RandomDrawList(random, kOutW, kOutH, kSheetW, kSheetH);
    ASSERT_EQ(Difference(Render(list), Expected(list)), "") << "round " << round;
  }
}

TEST_F(SoftCompositor, EveryKindAtEveryLevelAtEachEdge) {
  constexpr int kPlaces[][2] = {{10, 7},        {-13, 6}, {kOutW - 17, 6},        {9, -11},
                                {9, kOutH - 7}, {-5, -3}, {kOutW - 3, kOutH - 2}, {-40, 6},
                                {kOutW, 6}};
  for (const auto& place : kPlaces) {
    for (uint8_t kind : {DRAW_OPAQUE, DRAW_MASKED, DRAW_SILHOUETTE, DRAW_RESTORE}) {
      for (int level = 0; level < 16; ++level) {
        const std::vector<DrawEntry> list = {
            Entry(kind, level, place[0], place[1], 3, 2, 30, 25, uint8_t(level % 3))};
        EXPECT_EQ(Difference(Render(list), Expected(list)), "")
            << "at " << place[0] << "," << place[1] << " kind " << int(kind) << " level " << level;
      }
    }
  }
}

TEST_F(SoftCompositor, DitherLevelsThinOutInNestedStepsFromEachCorner) {
  constexpr int kDrawn[] = {64, 60, 56, 48, 40, 32, 24, 16, 8};
  work_ = RgbImage(kOutW, kOutH, 0x123456);
  for (int shift = 0; shift < 2; ++shift) {
    std::vector<bool> below(64, true);
    for (int level = 0; level <= 8; ++level) {
      const RgbImage got =
          Render({Entry(DRAW_MASKED, level, 5 + shift, 5, kSolidX, kSolidY, 8, 8)});
      int count = 0;
      for (int i = 0; i < 64; ++i) {
        const bool drawn = got.at(5 + shift + i % 8, 5 + i / 8) != 0x123456;
        EXPECT_TRUE(!drawn || below[i]) << "level " << level << " pixel " << i;
        if (level > 0) {
          EXPECT_EQ(drawn, RefDitherDraws(level, i % 8, i / 8));
        }
        below[i] = drawn;
        count += drawn;
      }
      EXPECT_EQ(count, kDrawn[level]) << "level " << level;
    }
  }
}

TEST_F(SoftCompositor, ReportsOnlyWhatChanged) {
  // Nothing drawn, an entry left out, and a frame drawn over itself change nothing.
  const DrawEntry frame = Entry(DRAW_MASKED, 0, 8, 6, 0, 0, 40, 32, 2);
  SoftRect changed[kDrawListSlots];
  SetWork(picture_, work_);
  for (const std::vector<DrawEntry>& list :
       {std::vector<DrawEntry>{}, {Entry(DRAW_MASKED, 9, 8, 6, 0, 0, 40, 32)}}) {
    DrawListFill(list);
    EXPECT_EQ(RenderList(changed), 0);
  }
  DrawListFill({frame});
  ASSERT_EQ(RenderList(changed), 1);
  EXPECT_EQ(CheckChanged(work_, PictureOf(picture_), changed, 1), "");
  // The entry's rectangle without the sheet's two transparent columns on the left.
  EXPECT_EQ(std::vector<int>({changed[0].x, changed[0].y, changed[0].width, changed[0].height}),
            std::vector<int>({10, 6, 38, 32}));
  EXPECT_EQ(RenderList(changed), 0);
  // Drawn over with the same pixels (its place restored, then the frame again): nothing changed.
  DrawListFill({Entry(DRAW_RESTORE, 0, 8, 6, 0, 0, 40, 32, 2), frame});
  const RgbImage before = PictureOf(picture_);
  EXPECT_EQ(RenderList(changed), 0);
  EXPECT_EQ(PictureOf(picture_), before);
  // Two overlapping entries and one apart: two rectangles.
  DrawListFill({Entry(DRAW_OPAQUE, 0, 0, 0, 0, 0, 10, 10),
                Entry(DRAW_OPAQUE, 0, 5, 5, 0, 0, 10, 10),
                Entry(DRAW_OPAQUE, 0, 50, 40, 0, 0, 10, 10)});
  SetWork(picture_, work_);
  ASSERT_EQ(RenderList(changed), 2);
}

TEST_F(SoftCompositor, EmptySlotsUnknownSheetsAndKindsArePassedOver) {
  const DrawEntry drawn = Entry(DRAW_MASKED, 0, 20, 10, 0, 0, 40, 32);
  for (uint8_t sheet : {3, 4, 255}) {
    EXPECT_EQ(Difference(Render({Entry(DRAW_OPAQUE, 0, 0, 0, 0, 0, 40, 32, sheet), drawn}),
                         Expected({drawn})),
              "");
  }
  for (uint8_t kind : {4, 100, 254}) {
    EXPECT_EQ(Difference(Render({Entry(kind, 0, 0, 0, 0, 0, 40, 32), drawn}), Expected({drawn})),
              "");
  }
  // Source rectangles that leave the sheet draw only what lies on it.
  for (const DrawEntry& e :
       {Entry(DRAW_OPAQUE, 0, 5, 5, -6, -3, 30, 20), Entry(DRAW_MASKED, 3, 5, 5, 30, 20, 30, 20)}) {
    EXPECT_EQ(Difference(Render({e}), Expected({e})), "");
  }
  // A picture drawn from sheets that are not loaded stays black.
  SoftSheets none;
  SoftPicture blank;
  ASSERT_TRUE(SoftCreatePicture(blank, kOutW, kOutH));
  DrawListFill({Entry(DRAW_OPAQUE, 0, 0, 0, 0, 0, 40, 32)});
  SoftRect changed[kDrawListSlots];
  EXPECT_EQ(SoftRenderFrame(blank, none, TestDrawList(), changed), 0);
  EXPECT_EQ(PictureOf(blank), RgbImage(kOutW, kOutH, kBlack));
  SoftFreePicture(blank);
}

TEST(SoftCompositorBuffers, StartBlackAndRefuseSizesThatAreNotPositive) {
  SoftPicture picture;
  ASSERT_TRUE(SoftCreatePicture(picture, 37, 23));
  EXPECT_EQ(PictureOf(picture), RgbImage(37, 23, kBlack));
  for (const auto& size : {std::pair{0, 10}, {10, 0}, {-5, 10}, {1 << 15, 1 << 15}}) {
    EXPECT_FALSE(SoftCreatePicture(picture, size.first, size.second));
    EXPECT_EQ(picture.work, nullptr);
    EXPECT_EQ(picture.width, 0);
  }
  SoftFreePicture(picture);
}

// The resource's pixels as the reference's image and mask, decoded here on their own.
RefSheet RefSheetOfResource(const uint8_t* data, size_t size) {
  ImageInfo info;
  EXPECT_TRUE(ImageReadInfo(data, size, &info));
  std::vector<uint8_t> bottomFirst(info.pixelBufferSize);
  EXPECT_TRUE(ImageDecodePixels(data, size, info, bottomFirst.data()));
  RefSheet sheet{RgbImage(info.width, info.height), RgbImage(info.width, info.height)};
  for (int y = 0; y < info.height; ++y) {
    for (int x = 0; x < info.width; ++x) {
      const uint8_t index = bottomFirst[size_t(info.height - 1 - y) * info.width + x];
      const uint8_t* bgr = data + info.colourTableOffset + 4 * index;
      sheet.image.at(x, y) = index ? Rgb(bgr[2]) << 16 | Rgb(bgr[1]) << 8 | bgr[0] : kBlack;
      sheet.mask.at(x, y) = index ? kBlack : kWhite;
    }
  }
  return sheet;
}

TEST(SoftCompositorSheets, TheProgramsSheetsDrawAsTheReferenceDrawsThem) {
  constexpr int kSizes[kSheetCount][2] = {{600, 632}, {480, 768}, {616, 496}};
  RefSheet sheets[kSheetCount];
  SoftSheets softSheets;
  for (int slot = 0; slot < kSheetCount; ++slot) {
    const uint8_t* data = nullptr;
    size_t size = 0;
    ASSERT_TRUE(EmbeddedImage(kSheetResources[slot], &data, &size));
    ASSERT_TRUE(SoftLoadSheet(softSheets, slot, data, size));
    const SoftRect loaded = SoftSheetSize(softSheets, slot);
    EXPECT_EQ(loaded.width, kSizes[slot][0]);
    EXPECT_EQ(loaded.height, kSizes[slot][1]);
    sheets[slot] = RefSheetOfResource(data, size);
  }
  constexpr int kW = 800, kH = 600;
  SoftPicture picture;
  ASSERT_TRUE(SoftCreatePicture(picture, kW, kH));
  const RgbImage black(kW, kH, kBlack);
  RgbImage want = black;
  std::mt19937 random(kRandomDrawListSeed);
  for (int round = 0; round < 40; ++round) {
    std::vector<DrawEntry> list = RandomDrawList(random, kW, kH, 480, 496);
    DrawListFill(list);
    SoftRect changed[kDrawListSlots];
    SoftRenderFrame(picture, softSheets, TestDrawList(), changed);
    list.push_back(Entry(DRAW_END, 0, 0, 0, 0, 0, 0, 0));
    RefDrawList(list.data(), sheets, black, &want);
    ASSERT_EQ(Difference(PictureOf(picture), want), "") << "round " << round;
  }
  SoftFreePicture(picture);
  SoftFreeSheets(softSheets);
}

TEST(SoftCompositorSheets, DamagedResourcesAreRefused) {
  const uint8_t* data = nullptr;
  size_t size = 0;
  ASSERT_TRUE(EmbeddedImage(RESOURCE_SHEET0, &data, &size));
  std::vector<uint8_t> oneBit(data, data + 40 + 8);
  oneBit[14] = 1;  // 1-bit rows
  oneBit[32] = 2;  // two colours
  oneBit[4] = 32;  // 32 pixels wide
  std::vector<uint8_t> noEndCode(data, data + size);
  noEndCode.resize(size - 2);
  const struct {
    const char* name;
    const uint8_t* bytes;
    size_t size;
  } kCases[] = {
      {"nothing", nullptr, 0},
      {"header only", data, 40},
      {"cut in the colour table", data, 500},
      {"cut in the pixels", data, size / 2},
      {"without its end code", noEndCode.data(), noEndCode.size()},
      {"raw 1-bit rows", oneBit.data(), oneBit.size()},
  };
  SoftSheets sheets;
  for (const auto& c : kCases) {
    ASSERT_TRUE(SoftLoadSheet(sheets, 0, data, size));
    EXPECT_FALSE(SoftLoadSheet(sheets, 0, c.bytes, c.size)) << c.name;
    EXPECT_EQ(SoftSheetSize(sheets, 0).width, 0) << c.name;
  }
  EXPECT_FALSE(SoftLoadSheet(sheets, 3, data, size));
  EXPECT_FALSE(SoftLoadSheet(sheets, -1, data, size));
  SoftFreeSheets(sheets);
}

}  // namespace
