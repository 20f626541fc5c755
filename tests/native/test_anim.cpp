#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "show/show.h"

namespace {

// Each test drives a show of its own, set up piece by piece.
class ShowParts : public ::testing::Test {
 protected:
  Show show{};

  std::vector<DrawEntry> ListEntries() {
    std::vector<DrawEntry> entries;
    for (const DrawEntry* e = show.drawList.entries; e->kind != DRAW_END; ++e)
      entries.push_back(*e);
    return entries;
  }

  void UseScreen(int width, int height) {
    show.screenSize = Size2{width, height};
    show.outputSize = show.screenSize;
    show.runMode = RUN_SAVER;
    show.scaleFactor = 1000;
  }

  // Starts the director after scene 0, the generator seeded with `seed`.
  void StartDirector(uint32_t seed) {
    SeedRandom(show.random, seed);
    show.scene.number = 0;
    DirectorInit(show);
  }

  void InitActor(int actor) {
    const int sheet = kActorSheet[actor];
    ActorInit(show, actor, kActorSequence[actor], 1, sheet, SheetFrameTable(sheet),
              SheetStepTable(sheet), SheetSequenceStartTable(sheet));
  }

  bool Overlaps(int i, int j) {
    const int k = (show.scene.number - 1) * 3;
    auto w = [&](int slot) { return kPlacementSizeTable[k + slot]; };
    auto h = [&](int slot) { return kPlacementSizeTable[12 + k + slot]; };
    const Scene& s = show.scene;
    return s.x[j] < s.x[i] + w(i) && s.x[i] < s.x[j] + w(j) && s.y[j] < s.y[i] + h(i) &&
           s.y[i] < s.y[j] + h(j);
  }
};

class Random : public ShowParts {};
class Actor : public ShowParts {};
class Director : public ShowParts {};

TEST_F(Random, FollowsTheRuntimeGenerator) {
  SeedRandom(show.random, 1);
  const int expected[] = {41, 18467, 6334, 26500, 19169, 15724};
  for (int value : expected) EXPECT_EQ(NextRandom(show.random), value);
  SeedRandom(show.random, 0xFFFFFFFFu);
  for (int i = 0; i < 1000; ++i) {
    const int r = NextRandom(show.random);
    ASSERT_GE(r, 0);
    ASSERT_LE(r, 32767);
  }
}

TEST_F(Actor, LoopsCountAsTheStepsExpire) {
  struct Case {
    int actor;
    int advances;
    int loops;
  };
  const Case cases[] = {{0, 5, 0}, {0, 6, 1},  {0, 35, 5},  {0, 36, 6}, {9, 6, 0},
                        {9, 7, 1}, {12, 7, 1}, {13, 14, 2}, {6, 12, 2}};
  for (const Case& c : cases) {
    InitActor(c.actor);
    for (int i = 0; i < c.advances; ++i) ActorAdvance(show, c.actor);
    EXPECT_EQ(show.cast[c.actor].loopCount, c.loops) << "actor " << c.actor << " " << c.advances;
  }
}

TEST_F(Actor, AlternatesItsTwoFramesWithTheirHolds) {
  InitActor(0);
  std::vector<int> frames;
  for (int i = 0; i < 12; ++i) {
    frames.push_back(show.cast[0].step->frame);
    ActorAdvance(show, 0);
  }
  EXPECT_EQ(frames, (std::vector<int>{0, 0, 0, 1, 1, 1, 0, 0, 0, 1, 1, 1}));
  // Playing once stays on the closing step and still counts loops.
  ActorInit(show, 1, 1, 0, 0, kFrameTable0, kStepTable0, kSequenceStartTable0);
  for (int i = 0; i < 12; ++i) ActorAdvance(show, 1);
  EXPECT_EQ(show.cast[1].step->frame, 3);
  EXPECT_EQ(show.cast[1].loopCount, 3);
}

TEST_F(Actor, SevenAndEightDrawTheirOwnFramesAndPlaceByTheTable) {
  UseScreen(1024, 768);
  struct Case {
    int actor;
    int frameA, frameB;
    int placeW, placeH;
  };
  const Case cases[] = {{7, 4, 5, 160, 184}, {8, 2, 3, 152, 208}};
  for (const Case& c : cases) {
    InitActor(c.actor);
    std::vector<int> frames;
    for (int i = 0; i < 6; ++i) {
      DrawListReset(show.drawList);
      ActorEmit(show, 0, 0, c.actor, DRAW_MASKED, 0);
      const DrawEntry& e = show.drawList.entries[0];
      const FrameRect& f = kFrameTable1[show.cast[c.actor].step->frame];
      EXPECT_EQ(e.sheet, 1);
      EXPECT_EQ((std::vector<int>{e.srcX, e.srcY, e.width, e.height}),
                (std::vector<int>{f.srcX, f.srcY, f.width, f.height}));
      frames.push_back(show.cast[c.actor].step->frame);
      ActorAdvance(show, c.actor);
    }
    EXPECT_EQ(frames,
              (std::vector<int>{c.frameA, c.frameA, c.frameA, c.frameB, c.frameB, c.frameB}));
    EXPECT_EQ(kPlacementSizeTable[c.actor - 3], c.placeW);
    EXPECT_EQ(kPlacementSizeTable[12 + c.actor - 3], c.placeH);
  }
}

TEST_F(Actor, EmissionInSaverAndPreview) {
  InitActor(0);
  UseScreen(1024, 768);
  DrawListReset(show.drawList);
  ActorEmit(show, 100, 50, 0, DRAW_RESTORE, 0);
  DrawEntry e = show.drawList.entries[0];
  EXPECT_EQ(
      (std::vector<int>{e.kind, e.sheet, e.x, e.y, e.srcX, e.srcY, e.width, e.height, e.level}),
      (std::vector<int>{DRAW_RESTORE, 0, 100, 50, 8, 0, 120, 224, 0}));
  show.runMode = RUN_PREVIEW;
  show.scaleFactor = 250;
  DrawListReset(show.drawList);
  ActorEmit(show, 100, 50, 0, DRAW_MASKED, 7);
  e = show.drawList.entries[0];
  EXPECT_EQ((std::vector<int>{e.x, e.y, e.srcX, e.srcY, e.width, e.height, e.level}),
            (std::vector<int>{25, 12, 2, 0, 30, 56, 7}));
}

TEST_F(Director, ScenesAreRandomNeverRepeatedAndSeparated) {
  const Size2 screens[] = {{640, 480}, {1024, 768}, {1920, 1080}};
  for (const Size2& screen : screens) {
    UseScreen(screen.width, screen.height);
    for (uint32_t seed = 0; seed < 300; ++seed) {
      StartDirector(seed);
      ASSERT_NE(show.scene.number, 0) << "seed " << seed;
      for (int change = 0; change < 20; ++change) {
        const int previous = show.scene.number;
        ChooseScene(show);
        ASSERT_NE(show.scene.number, previous);
        for (int slot = 0; slot < 3; ++slot)
          ASSERT_EQ(show.scene.actors[slot], 3 * show.scene.number + slot);
        if (show.scene.number == 0) continue;
        EXPECT_FALSE(Overlaps(0, 1) || Overlaps(0, 2) || Overlaps(1, 2))
            << screen.width << "x" << screen.height << " seed " << seed;
      }
    }
  }
}

TEST_F(Director, SceneZeroStandsInOneRow) {
  // Seed 2 gives 45, 29216, 24198, 17795: 45 chooses scene 0 after scene 1. At 640x480 the row
  // stands at fixed places and only y is drawn; elsewhere the row's base x is drawn first.
  struct Case {
    Size2 screen;
    int x[3];
    int y;
    int nextNumber;  // the generator's next number: shows how many the scene took
  };
  const Case cases[] = {
      {{640, 480}, {260, 390, 66}, 32, 24198},
      {{1024, 768}, {498, 628, 304}, 262, 17795},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.screen.width);
    UseScreen(c.screen.width, c.screen.height);
    SeedRandom(show.random, 2);
    show.scene.number = 1;
    ChooseScene(show);
    EXPECT_EQ(show.scene.number, 0);
    for (int slot = 0; slot < 3; ++slot) {
      EXPECT_EQ(show.scene.x[slot], c.x[slot]) << "slot " << slot;
      EXPECT_EQ(show.scene.y[slot], c.y) << "slot " << slot;
    }
    EXPECT_EQ(NextRandom(show.random), c.nextNumber);
  }
}

TEST_F(Director, SeparateMovesTheRightMostSlotIntoRange) {
  UseScreen(1024, 768);
  struct Case {
    int x[3];
    int minimumX;
    int expectedSlot;
    int expectedX;
  };
  // Scene 1 sizes: widths 144, 152, 120, heights 192, 184, 176; far-apart rows avoid overlap.
  const Case cases[] = {
      {{10, 50, 30}, 296, 1, 296},    // all left of the minimum: the greatest x moves there
      {{50, 50, 30}, 296, 0, 296},    // equal x: the lowest slot
      {{10, 20, 1000}, 296, 2, 904},  // past the right edge: pulled back inside
      {{10, 20, 500}, 296, 2, 500},   // already inside: unchanged
  };
  for (const Case& c : cases) {
    show.scene.number = 1;
    const int rows[3] = {0, 250, 500};
    for (int slot = 0; slot < 3; ++slot) {
      show.scene.x[slot] = c.x[slot];
      show.scene.y[slot] = rows[slot];
    }
    SeparateActors(show, c.minimumX, 0);
    EXPECT_EQ(show.scene.x[c.expectedSlot], c.expectedX);
  }
}

TEST_F(Director, SeparateLeavesTouchingSlotsAndReplacesTheLeftOne) {
  UseScreen(1024, 768);
  // Slots 0 and 1 touch edge to edge (x 400 + width 144 = 544): nothing moves and no random
  // number is taken.
  show.scene = Scene{1, {3, 4, 5}, {400, 544, 0}, {0, 0, 500}};
  SeedRandom(show.random, 77);
  SeparateActors(show, 296, 0);
  EXPECT_EQ(show.scene.x[0], 400);
  EXPECT_EQ(show.scene.x[1], 544);
  const int next = NextRandom(show.random);
  SeedRandom(show.random, 77);
  EXPECT_EQ(NextRandom(show.random), next);

  // Equal x and overlapping: the first slot of the pair (slot 0) is re-placed with the next
  // two numbers. Seed 0 gives 38 and 7719: x 38, y 231, clear of both other slots, so one pass
  // settles it.
  show.scene = Scene{1, {3, 4, 5}, {600, 600, 0}, {0, 0, 500}};
  SeedRandom(show.random, 0);
  SeparateActors(show, 296, 0);
  EXPECT_EQ(show.scene.x[0], 38);
  EXPECT_EQ(show.scene.y[0], 231);
  EXPECT_EQ(show.scene.x[1], 600);
  EXPECT_EQ(show.scene.y[1], 0);
  EXPECT_EQ(NextRandom(show.random), 21238);  // the third number: no more were taken
}

// Runs ticks and records the level of each tick's sprite entries and the entry count.
struct TickRecord {
  int level;
  size_t entries;
  int scene;
};

TEST_F(Director, FadeScheduleTickByTick) {
  UseScreen(1024, 768);
  StartDirector(42);
  const int first = show.scene.number;
  ASSERT_EQ(first, 4);
  std::vector<TickRecord> ticks;
  while (ticks.size() < 80) {
    DirectorTick(show);
    const std::vector<DrawEntry> e = ListEntries();
    ticks.push_back({e[3].level, e.size(), show.scene.number});
    for (int i = 0; i < 3; ++i) EXPECT_EQ(e[i].kind, DRAW_RESTORE);
    for (int i = 3; i < 6; ++i) EXPECT_EQ(e[i].kind, DRAW_MASKED);
  }
  // Fade-in: 9, 8 ... 1 in ticks 1 to 9, then 0.
  for (int t = 0; t < 9; ++t) EXPECT_EQ(ticks[t].level, 9 - t) << "tick " << t + 1;
  // Scene 4's lead loops every 7 ticks and completes its sixth loop in tick 42.
  const int sixth = 42;
  for (int t = 9; t < sixth; ++t) EXPECT_EQ(ticks[t].level, 0) << "tick " << t + 1;
  // Fade-out from the next tick: 1 to 8, then five dark ticks at 9; the last changes scene.
  for (int i = 0; i < 8; ++i) EXPECT_EQ(ticks[sixth + i].level, i + 1);
  for (int i = 0; i < 5; ++i) EXPECT_EQ(ticks[sixth + 8 + i].level, 9);
  const int change = sixth + 8 + 4;  // the fifth dark tick changes the scene
  for (int t = 0; t < change; ++t) {
    EXPECT_EQ(ticks[t].entries, 6u) << "tick " << t + 1;
    EXPECT_EQ(ticks[t].scene, first);
  }
  EXPECT_EQ(ticks[change].entries, 9u);
  EXPECT_NE(ticks[change].scene, first);
  EXPECT_EQ(ticks[change + 1].level, 9);
  EXPECT_EQ(ticks[change + 2].level, 8);
}

TEST_F(Director, ChangingTickRestoresTheOldSceneTwice) {
  UseScreen(1024, 768);
  StartDirector(9);
  for (int t = 0; t < 200; ++t) {
    DirectorTick(show);
    const std::vector<DrawEntry> e = ListEntries();
    if (e.size() != 9) continue;
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(e[6 + i].kind, DRAW_RESTORE);
      EXPECT_EQ(e[6 + i].x, e[i].x);
      EXPECT_EQ(e[6 + i].y, e[i].y);
      EXPECT_EQ(e[3 + i].level, 9);
    }
    return;
  }
  FAIL() << "no scene change in 200 ticks";
}

TEST_F(Director, PreviewComputesFullScreenPositionsAndScalesTheirEmission) {
  UseScreen(1024, 768);
  StartDirector(3);
  DirectorTick(show);
  const std::vector<DrawEntry> saver = ListEntries();
  show.runMode = RUN_PREVIEW;
  show.outputSize = Size2{152, 112};
  show.scaleFactor = 148;
  StartDirector(3);
  DirectorTick(show);
  const std::vector<DrawEntry> preview = ListEntries();
  // Seed 3 chooses scene 3; the preview's places and sizes are the screen's times 148/1000,
  // rounded down.
  struct Rect {
    int x, y, width, height;
  };
  const Rect saverRects[] = {{700, 78, 96, 192}, {51, 215, 120, 200}, {697, 422, 144, 192}};
  const Rect previewRects[] = {{103, 11, 14, 28}, {7, 31, 17, 29}, {103, 62, 21, 28}};
  ASSERT_EQ(saver.size(), 6u);
  ASSERT_EQ(preview.size(), 6u);
  for (size_t i = 0; i < 6; ++i) {
    const Rect& s = saverRects[i % 3];
    const Rect& p = previewRects[i % 3];
    EXPECT_EQ((std::vector<int>{saver[i].x, saver[i].y, saver[i].width, saver[i].height}),
              (std::vector<int>{s.x, s.y, s.width, s.height}))
        << "entry " << i;
    EXPECT_EQ((std::vector<int>{preview[i].x, preview[i].y, preview[i].width, preview[i].height}),
              (std::vector<int>{p.x, p.y, p.width, p.height}))
        << "entry " << i;
  }
}

TEST_F(Director, SmallScreensNeitherHangNorDivideByZero) {
  const Size2 screens[] = {{320, 240}, {640, 400}, {468, 224}, {1, 1}, {100, 2000}};
  for (const Size2& screen : screens) {
    UseScreen(screen.width, screen.height);
    for (uint32_t seed = 0; seed < 20; ++seed) {
      StartDirector(seed);
      for (int t = 0; t < 400; ++t) {
        DirectorTick(show);
        for (const DrawEntry& e : ListEntries()) {
          ASSERT_GE(e.x, -194);
          ASSERT_LE(e.x, screen.width + 448);
          ASSERT_GE(e.y, 0);
        }
      }
    }
  }
}

// Every tick's list of a show, up to its end mark, for `ticks` ticks.
std::vector<std::vector<DrawEntry>> Lists(Show& show, int ticks) {
  std::vector<std::vector<DrawEntry>> lists;
  for (int tick = 0; tick < ticks; ++tick) {
    DirectorTick(show);
    std::vector<DrawEntry> list;
    for (const DrawEntry* e = show.drawList.entries; e->kind != DRAW_END; ++e) list.push_back(*e);
    lists.push_back(list);
  }
  return lists;
}

TEST(Show, TwoShowsSideBySideEachGiveTheFramesTheyGiveAlone) {
  constexpr int kTicks = 600;
  struct Setting {
    int32_t runMode;
    Size2 screen, output;
    int32_t scaleFactor;
    uint32_t seed;
  };
  const Setting settings[2] = {{RUN_SAVER, {1024, 768}, {1024, 768}, 1000, 1},
                               {RUN_PREVIEW, {640, 480}, {152, 112}, 237, 4242}};
  std::vector<std::vector<DrawEntry>> alone[2];
  for (int i = 0; i < 2; ++i) {
    Show show;
    ShowSetUp(show, settings[i].runMode, settings[i].screen, settings[i].output,
              settings[i].scaleFactor, settings[i].seed);
    alone[i] = Lists(show, kTicks);
  }
  Show shows[2];
  for (int i = 0; i < 2; ++i) {
    ShowSetUp(shows[i], settings[i].runMode, settings[i].screen, settings[i].output,
              settings[i].scaleFactor, settings[i].seed);
  }
  for (int tick = 0; tick < kTicks; ++tick) {
    for (int i = 0; i < 2; ++i) {
      const std::vector<DrawEntry> list = Lists(shows[i], 1)[0];
      ASSERT_EQ(list.size(), alone[i][tick].size()) << "show " << i << " tick " << tick;
      ASSERT_EQ(std::memcmp(list.data(), alone[i][tick].data(), list.size() * sizeof(DrawEntry)), 0)
          << "show " << i << " tick " << tick;
    }
  }
  // The two really differ, so that sharing anything between them would show.
  EXPECT_NE(alone[0][0].size() == alone[1][0].size() &&
                std::memcmp(alone[0][0].data(), alone[1][0].data(),
                            alone[0][0].size() * sizeof(DrawEntry)) == 0,
            true);
}

}  // namespace
