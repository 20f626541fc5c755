// The show drawn headless: an hour of it, in lent memory, quiet ticks, resizes, and several
// shows side by side.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "show/embedded_images.h"
#include "show/picture_show.h"
#include "show/runstate.h"
#include "show/show.h"
#include "show/soft_compositor.h"
#include "show/speed.h"
#include "show/zoom.h"
#include "tests/support/pixel_checks.h"

namespace {

bool AllBlack(const uint32_t* pixels, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (pixels[i]) return false;
  }
  return true;
}

// The program's sheets, loaded once for every test here.
const SoftSheets& Sheets() {
  static SoftSheets sheets;
  static const bool loaded = SoftLoadProgramSheets(sheets, EmbeddedImage);
  EXPECT_TRUE(loaded);
  return sheets;
}

TEST(Show, AnHourLeavesNothingBehind) {
  // An hour of ticks at the default speed. Every scene change leaves a black picture, what
  // changed always lies in the reported rectangles, and the picture is freed at the end.
  const int kTicks = 3600 * 1000 / FramePeriodForSpeed(3);
  constexpr int kW = 1024, kH = 768;
  PictureShow show;
  ASSERT_TRUE(PictureShowStart(show, Sheets(), kW, kH, 12345));
  const size_t count = size_t(kW) * kH;
  std::vector<uint32_t> before(count);
  SoftRect changed[kDrawListSlots];
  int scenes = 0, drawnTicks = 0;
  const Scene& current = show.show.scene;
  Scene scene = current;
  for (int tick = 1; tick <= kTicks; ++tick) {
    const bool check = tick % 97 == 0;
    if (check) std::memcpy(before.data(), show.picture.work, count * 4);
    const int rects = PictureShowTick(show, changed);
    drawnTicks += rects > 0;
    if (check) {
      ASSERT_EQ(ChangedOutsideRects(before.data(), show.picture.work, kW, kH, changed, rects), "")
          << "tick " << tick;
    }
    if (std::memcmp(&scene, &current, sizeof scene) != 0) {
      ++scenes;
      ASSERT_TRUE(AllBlack(show.picture.work, count)) << "a sprite stayed behind at tick " << tick;
      scene = current;
    }
  }
  // A scene lasts some 30 to 60 ticks: fade-in, six loops of its lead, fade-out and dark.
  EXPECT_GT(scenes, kTicks / 60);
  EXPECT_LT(scenes, kTicks / 30);
  // The dark ticks and the ticks between two frames change nothing.
  EXPECT_LT(drawnTicks, kTicks * 2 / 3);
  PictureShowStop(show);
  EXPECT_EQ(show.picture.work, nullptr);
}

TEST(Show, DrawsInLentMemory) {
  // A show moved, mid-scene, into memory a program lends it (rows wider than the picture, as an
  // image's may be) carries its picture over, returns the same rectangles as one that draws in
  // memory of its own, leaves that memory equal to the other's picture after every tick and the
  // padding untouched, and never frees it.
  constexpr int kW = 320, kH = 240, kStride = kW + 13;
  constexpr uint32_t kPadding = 0xDEADBEEF;
  PictureShow own, lent;
  ASSERT_TRUE(PictureShowStart(own, Sheets(), kW, kH, 99));
  ASSERT_TRUE(PictureShowStart(lent, Sheets(), kW, kH, 99));
  std::vector<uint32_t> memory(size_t(kStride) * kH, kPadding);
  SoftRect ownRects[kDrawListSlots], lentRects[kDrawListSlots];
  int drawnTicks = 0;
  for (int tick = 1; tick <= 400; ++tick) {
    if (tick == 25) {
      EXPECT_FALSE(PictureShowDrawInto(lent, memory.data(), kW - 1));
      ASSERT_TRUE(PictureShowDrawInto(lent, memory.data(), kStride));
      EXPECT_EQ(lent.picture.work, memory.data());
    }
    const int count = PictureShowTick(own, ownRects);
    ASSERT_EQ(PictureShowTick(lent, lentRects), count) << "tick " << tick;
    drawnTicks += count > 0;
    for (int i = 0; i < count; ++i) {
      EXPECT_EQ(std::memcmp(&ownRects[i], &lentRects[i], sizeof(SoftRect)), 0) << "tick " << tick;
    }
    if (tick < 25) continue;
    for (int y = 0; y < kH; ++y) {
      const uint32_t* row = memory.data() + y * kStride;
      ASSERT_EQ(std::memcmp(row, own.picture.work + y * kW, kW * 4), 0)
          << "tick " << tick << ", row " << y;
      ASSERT_TRUE(std::all_of(row + kW, row + kStride, [](uint32_t p) { return p == kPadding; }));
    }
  }
  EXPECT_GT(drawnTicks, 100);
  // A resize goes back to memory of the show's own: the lent memory is the old size's.
  ASSERT_TRUE(PictureShowResize(lent, 160, 120));
  EXPECT_FALSE(lent.picture.lent);
  EXPECT_NE(lent.picture.work, memory.data());
  PictureShowTick(lent, lentRects);
  PictureShowStop(lent);
  PictureShowStop(own);
}

TEST(Show, LeavingOutRedrawsGivesTheSamePictures) {
  // The lists as the director builds them, drawn in full on one picture and without the
  // redraws on another, at sizes where the actors stand apart and where they crowd together.
  for (const Size2 size : {Size2{1920, 1080}, Size2{640, 480}, Size2{400, 300}}) {
    Show full, lean;
    ShowSetUp(full, RUN_SAVER, size, size, 1000, 99);
    ShowSetUp(lean, RUN_SAVER, size, size, 1000, 99);
    SoftPicture fullPicture, leanPicture;
    ASSERT_TRUE(SoftCreatePicture(fullPicture, size.width, size.height));
    ASSERT_TRUE(SoftCreatePicture(leanPicture, size.width, size.height));
    const size_t count = size_t(size.width) * size_t(size.height);
    SoftRect changed[kDrawListSlots];
    DrawEntry toDraw[kDrawListSlots];
    int fullEntries = 0, leanEntries = 0;
    for (int tick = 0; tick < 3000; ++tick) {
      DirectorTick(full);
      DirectorTick(lean);
      if (ShowListIsNew(full)) {
        SoftRenderFrame(fullPicture, Sheets(), full.drawList.entries, changed);
        fullEntries += full.lastDrawnLength;
      }
      if (ShowListToDraw(lean, toDraw)) {
        SoftRenderFrame(leanPicture, Sheets(), toDraw, changed);
        for (int i = 0; toDraw[i].kind != DRAW_END; ++i) ++leanEntries;
      }
      ASSERT_EQ(std::memcmp(fullPicture.work, leanPicture.work, count * 4), 0)
          << size.width << "x" << size.height << " tick " << tick;
    }
    // Standing sprites are common: a good part of the drawing goes.
    EXPECT_LT(leanEntries, fullEntries * 9 / 10) << size.width << "x" << size.height;
    SoftFreePicture(fullPicture);
    SoftFreePicture(leanPicture);
  }
}

TEST(Show, QuietTicksChangeNothingAndTheTickAfterThemDoes) {
  PictureShow show;
  ASSERT_TRUE(PictureShowStart(show, Sheets(), 1920, 1080, 31));
  SoftRect changed[kDrawListSlots];
  int quietTicks = 0, looks = 0;
  for (int tick = 0; tick < 3000;) {
    const int quiet = PictureShowQuietTicks(show, 20);
    ++looks;
    quietTicks += quiet;
    for (int i = 0; i < quiet; ++i, ++tick) {
      ASSERT_EQ(PictureShowTick(show, changed), 0) << "tick " << tick;
    }
    // The lists of the ticks the look ahead stopped at need drawing.
    DrawEntry toDraw[kDrawListSlots];
    Show ahead = show.show;
    DirectorTick(ahead);
    if (quiet < 20) {
      ASSERT_TRUE(ShowListToDraw(ahead, toDraw)) << "tick " << tick;
    }
    PictureShowTick(show, changed);
    ++tick;
  }
  // Sprites hold a frame for a few ticks: a good part of the ticks can be slept through.
  EXPECT_GT(quietTicks, 3000 / 5);
  EXPECT_LT(looks, 3000);
  PictureShowStop(show);
}

TEST(Show, ResizeStartsAFreshSceneOnTheNewPicture) {
  PictureShow show;
  ASSERT_TRUE(PictureShowStart(show, Sheets(), 1024, 768, 7));
  SoftRect changed[kDrawListSlots];
  for (int tick = 0; tick < 30; ++tick) PictureShowTick(show, changed);
  ASSERT_TRUE(PictureShowResize(show, 640, 480));
  EXPECT_EQ(show.show.screenSize.width, 640);
  EXPECT_EQ(show.show.outputSize.height, 480);
  EXPECT_EQ(show.show.fadeLevel, 9);
  bool drawn = false;
  for (int tick = 0; tick < 30; ++tick) {
    const int count = PictureShowTick(show, changed);
    for (int r = 0; r < count; ++r) {
      drawn = true;
      EXPECT_LE(changed[r].x + changed[r].width, 640);
      EXPECT_LE(changed[r].y + changed[r].height, 480);
    }
  }
  EXPECT_TRUE(drawn);
  EXPECT_FALSE(PictureShowResize(show, 0, 480));
  EXPECT_EQ(show.picture.work, nullptr);
  PictureShowStop(show);
}

TEST(Show, RestartBlacksThePictureAndStartsAFreshScene) {
  constexpr int kW = 320, kH = 240;
  constexpr size_t kStride = kW + 8;
  constexpr uint32_t kPadding = 0xABCDEF;
  std::vector<uint32_t> memory(kStride * kH, kPadding);
  PictureShow show;
  ASSERT_TRUE(PictureShowStart(show, Sheets(), kW, kH, 11));
  ASSERT_TRUE(PictureShowDrawInto(show, memory.data(), kStride));
  SoftRect changed[kDrawListSlots];
  const auto lit = [&] {
    int count = 0;
    for (int y = 0; y < kH; ++y) {
      count += int(std::count_if(&memory[y * kStride], &memory[y * kStride + kW],
                                 [](uint32_t p) { return p != 0; }));
    }
    return count;
  };
  for (int tick = 0; tick < 200 && lit() == 0; ++tick) PictureShowTick(show, changed);
  ASSERT_GT(lit(), 0);
  const uint32_t before = show.show.random.state;
  PictureShowRestart(show);
  EXPECT_EQ(lit(), 0);
  EXPECT_EQ(show.show.fadeLevel, 9);
  EXPECT_EQ(show.show.lastDrawnLength, -1);
  EXPECT_NE(show.show.random.state, before);  // the generator went on to place the new scene
  for (int y = 0; y < kH; ++y) {
    ASSERT_TRUE(std::all_of(&memory[y * kStride + kW], &memory[(y + 1) * kStride],
                            [](uint32_t p) { return p == kPadding; }));
  }
  // The fresh scene is drawn from the black picture, as after a start.
  int drawnTicks = 0;
  for (int tick = 0; tick < 200; ++tick) drawnTicks += PictureShowTick(show, changed) > 0;
  EXPECT_GT(drawnTicks, 0);
  EXPECT_GT(lit(), 0);
  PictureShowStop(show);
}

// A show's frames: a fingerprint of each tick's picture and its changed rectangles.
struct Frames {
  std::vector<uint64_t> pictures;
  std::vector<std::vector<int32_t>> rects;
  int drawnTicks = 0;
};

void NoteFrame(const PictureShow& show, const SoftRect* changed, int count, Frames* frames) {
  // FNV-1a over the picture's words.
  uint64_t hash = 14695981039346656037u;
  const uint32_t* work = show.picture.work;
  for (size_t i = 0; i < size_t(show.picture.width) * size_t(show.picture.height); ++i) {
    hash = (hash ^ work[i]) * 1099511628211u;
  }
  frames->pictures.push_back(hash);
  std::vector<int32_t> rects;
  for (int i = 0; i < count; ++i) {
    rects.insert(rects.end(), {changed[i].x, changed[i].y, changed[i].width, changed[i].height});
  }
  frames->rects.push_back(rects);
  frames->drawnTicks += count > 0;
}

TEST(Show, TwoPicturesSideBySideEachGiveThePicturesTheyGiveAlone) {
  // Two shows of different seeds and sizes, each with its own picture, ticked in turn in one
  // process: each draws exactly what it draws alone.
  constexpr int kTicks = 300;
  const struct {
    int32_t width, height;
    uint32_t seed;
  } kShows[2] = {{800, 600, 1}, {640, 400, 99}};
  Frames alone[2], together[2];
  SoftRect changed[kDrawListSlots];
  for (int i = 0; i < 2; ++i) {
    PictureShow show;
    ASSERT_TRUE(
        PictureShowStart(show, Sheets(), kShows[i].width, kShows[i].height, kShows[i].seed));
    for (int tick = 0; tick < kTicks; ++tick) {
      NoteFrame(show, changed, PictureShowTick(show, changed), &alone[i]);
    }
    PictureShowStop(show);
  }
  PictureShow shows[2];
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(
        PictureShowStart(shows[i], Sheets(), kShows[i].width, kShows[i].height, kShows[i].seed));
  }
  for (int tick = 0; tick < kTicks; ++tick) {
    for (int i = 0; i < 2; ++i) {
      NoteFrame(shows[i], changed, PictureShowTick(shows[i], changed), &together[i]);
      ASSERT_EQ(together[i].rects[tick], alone[i].rects[tick]) << "show " << i << " tick " << tick;
      ASSERT_EQ(together[i].pictures[tick], alone[i].pictures[tick])
          << "show " << i << " tick " << tick;
    }
  }
  for (PictureShow& show : shows) PictureShowStop(show);
  // Both drew on many ticks, and differently, so that sharing anything between them would show.
  EXPECT_GT(alone[0].drawnTicks, kTicks / 4);
  EXPECT_GT(alone[1].drawnTicks, kTicks / 4);
  EXPECT_NE(alone[0].rects, alone[1].rects);
}

}  // namespace
