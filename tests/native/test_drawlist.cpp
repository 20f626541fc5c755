// What of a new draw list needs drawing on the picture the last one left.
#include <gtest/gtest.h>

#include <cstdint>

#include "show/drawlist.h"

namespace {

DrawEntry Entry(uint8_t kind, int16_t x, int16_t y, int16_t srcX, uint16_t level = 0) {
  DrawEntry entry = {};
  entry.kind = kind;
  entry.x = x;
  entry.y = y;
  entry.srcX = srcX;
  entry.width = 40;
  entry.height = 30;
  entry.level = level;
  return entry;
}

TEST(DrawList, ASpriteBlankedAndDrawnAgainWhereItStandsIsLeftOut) {
  const DrawEntry a = Entry(DRAW_MASKED, 10, 10, 0), b = Entry(DRAW_MASKED, 200, 10, 40);
  const DrawEntry drawn[] = {a, b};
  DrawEntry out[kDrawListSlots];
  // a stands still, b moves on to another frame: only b's change is drawn.
  const DrawEntry moved = Entry(DRAW_MASKED, 200, 10, 80);
  const DrawEntry list[] = {Entry(DRAW_RESTORE, 10, 10, 0), Entry(DRAW_RESTORE, 200, 10, 40), a,
                            moved};
  ASSERT_EQ(DrawListWithoutRedraws(drawn, 2, list, 4, nullptr, out), 2);
  EXPECT_EQ(out[0].x, 200);
  EXPECT_EQ(out[0].kind, DRAW_RESTORE);
  EXPECT_EQ(out[1].srcX, 80);
  EXPECT_EQ(out[2].kind, DRAW_END);
  // Nothing before: everything is drawn.
  EXPECT_EQ(DrawListWithoutRedraws(drawn, 0, list, 4, nullptr, out), 4);
  // Drawn dithered before, or dithered now: drawn.
  const DrawEntry faded[] = {Entry(DRAW_MASKED, 10, 10, 0, 3), b};
  EXPECT_EQ(DrawListWithoutRedraws(faded, 2, list, 4, nullptr, out), 4);
  const DrawEntry fading[] = {Entry(DRAW_RESTORE, 10, 10, 0), Entry(DRAW_MASKED, 10, 10, 0, 2)};
  EXPECT_EQ(DrawListWithoutRedraws(drawn, 2, fading, 2, nullptr, out), 2);
  // Another entry over it now, or drawn over it after it before: drawn.
  const DrawEntry over[] = {Entry(DRAW_RESTORE, 10, 10, 0), a, Entry(DRAW_RESTORE, 30, 20, 0)};
  EXPECT_EQ(DrawListWithoutRedraws(drawn, 2, over, 3, nullptr, out), 3);
  const DrawEntry coveredBefore[] = {a, Entry(DRAW_RESTORE, 45, 35, 0)};
  EXPECT_EQ(DrawListWithoutRedraws(coveredBefore, 2, list, 4, nullptr, out), 4);
}

TEST(DrawList, ARestoreWhereNoSpriteIsLeftIsLeftOut) {
  PictureSprites sprites = {};
  DrawEntry out[kDrawListSlots];
  const DrawEntry a = Entry(DRAW_MASKED, 10, 10, 0), gone = Entry(DRAW_MASKED, 10, 10, 0, 9);
  // Drawn, then restored while the next frame is not drawn (level 9): the restore is needed,
  // the frame drawn at level 9 is not.
  const DrawEntry first[] = {a};
  EXPECT_EQ(DrawListWithoutRedraws(nullptr, 0, first, 1, &sprites, out), 1);
  const DrawEntry dark[] = {Entry(DRAW_RESTORE, 10, 10, 0), gone};
  EXPECT_EQ(DrawListWithoutRedraws(first, 1, dark, 2, &sprites, out), 1);
  EXPECT_EQ(out[0].kind, DRAW_RESTORE);
  // Restoring it again, or anything where nothing is left, changes nothing, nor does a sprite
  // at level 9.
  const DrawEntry darker[] = {Entry(DRAW_RESTORE, 10, 10, 0), Entry(DRAW_RESTORE, 300, 40, 80),
                              gone};
  EXPECT_EQ(DrawListWithoutRedraws(dark, 2, darker, 3, &sprites, out), 0);
  EXPECT_EQ(out[0].kind, DRAW_END);
  // A sprite drawn earlier in the same list is restored.
  const DrawEntry again[] = {Entry(DRAW_MASKED, 300, 40, 0, 4), Entry(DRAW_RESTORE, 310, 50, 0)};
  EXPECT_EQ(DrawListWithoutRedraws(darker, 3, again, 2, &sprites, out), 2);
}

}  // namespace
