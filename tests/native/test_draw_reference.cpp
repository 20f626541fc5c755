// The reference drawing that the compositor's GDI tests compare with, checked on pictures
// small enough to write out by hand.
#include <gtest/gtest.h>

#include "tests/support/draw_entry.h"
#include "tests/support/draw_reference.h"

namespace {

constexpr Rgb A = 0xAA0000, B = 0x00BB00, C = 0x0000CC, D = 0xDDDDDD, G = 0x777777;
constexpr Rgb W = kWhite, K = kBlack;

RgbImage Picture(int width, int height, std::initializer_list<Rgb> pixels) {
  RgbImage picture(width, height);
  picture.pixels.assign(pixels);
  return picture;
}

// A 3x2 sprite with a hole in the middle of its top row.
RefSheet Sheet() { return {Picture(3, 2, {A, K, B, C, A, B}), Picture(3, 2, {K, W, K, K, K, K})}; }

struct KindCase {
  const char* name;
  DrawEntry entry;
  RgbImage want;
};

TEST(DrawReference, EachKindOnAHandDrawnPicture) {
  const RefSheet sheets[kSheetCount] = {Sheet(), Sheet(), Sheet()};
  const RgbImage background = Picture(4, 3, {D, D, D, D, D, D, D, D, D, D, D, D});
  const RgbImage work = Picture(4, 3, {G, G, G, G, G, G, G, G, G, G, G, G});
  const KindCase cases[] = {
      {"opaque", MakeDrawEntry(DRAW_OPAQUE, 0, 1, 1, 0, 0, 3, 2),
       Picture(4, 3, {G, G, G, G, G, A, K, B, G, C, A, B})},
      {"masked", MakeDrawEntry(DRAW_MASKED, 0, 1, 1, 0, 0, 3, 2),
       Picture(4, 3, {G, G, G, G, G, A, G, B, G, C, A, B})},
      {"silhouette", MakeDrawEntry(DRAW_SILHOUETTE, 0, 0, 0, 0, 0, 3, 2),
       Picture(4, 3, {K, G, K, G, K, K, K, G, G, G, G, G})},
      {"restore", MakeDrawEntry(DRAW_RESTORE, 0, 0, 1, 0, 0, 3, 2),
       Picture(4, 3, {G, G, G, G, D, G, D, G, D, D, D, G})},
      // Cut on the left: the sheet is read from column 1 and the pattern starts at column 0.
      {"clipped left", MakeDrawEntry(DRAW_OPAQUE, 0, -1, 0, 0, 0, 3, 2),
       Picture(4, 3, {K, B, G, G, A, B, G, G, G, G, G, G})},
      {"clipped bottom right", MakeDrawEntry(DRAW_MASKED, 0, 2, 2, 0, 0, 3, 2),
       Picture(4, 3, {G, G, G, G, G, G, G, G, G, G, A, G})},
      // Level 5 (AA 55 ...): columns 0 and 2 of row 0, columns 1 and 3 of row 1.
      {"dithered", MakeDrawEntry(DRAW_MASKED, 5, 1, 1, 0, 0, 3, 2),
       Picture(4, 3, {G, G, G, G, G, A, G, B, G, G, A, G})},
      {"dithered clipped top", MakeDrawEntry(DRAW_MASKED, 5, 0, -1, 0, 0, 3, 2),
       Picture(4, 3, {C, G, B, G, G, G, G, G, G, G, G, G})},
      {"level 9", MakeDrawEntry(DRAW_MASKED, 9, 0, 0, 0, 0, 3, 2), work},
      {"level 21 counts as 5", MakeDrawEntry(DRAW_MASKED, 21, 1, 1, 0, 0, 3, 2),
       Picture(4, 3, {G, G, G, G, G, A, G, B, G, G, A, G})},
      {"kind 4", MakeDrawEntry(4, 0, 0, 0, 0, 0, 3, 2), work},
  };
  for (const KindCase& c : cases) {
    RgbImage got = work;
    RefDrawEntry(c.entry, sheets, background, &got);
    EXPECT_EQ(got.pixels, c.want.pixels) << c.name;
  }
}

TEST(DrawReference, PatternsThinOutInNestedSteps) {
  constexpr int kDrawn[] = {60, 56, 48, 40, 32, 24, 16, 8};
  for (int level = 1; level <= 8; ++level) {
    int count = 0;
    for (int r = 0; r < 8; ++r) {
      for (int c = 0; c < 8; ++c) {
        count += RefDitherDraws(level, c, r);
        if (level > 1 && RefDitherDraws(level, c, r)) {
          EXPECT_TRUE(RefDitherDraws(level - 1, c, r)) << level << " " << c << "," << r;
        }
        EXPECT_EQ(RefDitherDraws(level, c, r), RefDitherDraws(level, c + 8, r + 16));
      }
    }
    EXPECT_EQ(count, kDrawn[level - 1]) << "level " << level;
  }
}

}  // namespace
