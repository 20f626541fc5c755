// The one colour table shared by all three sprite sheets, and mapping of rendered colours to it.
//
// Layout: entry 0 is the transparent key (64,64,64); entries 1-29 a grey ramp from near-black
// (8,8,8, the outline colour) to white; entries 30-254 fifteen hues with fifteen shades each,
// from dark to light, shade 9 being the hue's pure colour; entry 255 is black and never drawn.
#pragma once

#include <array>
#include <cstdint>

#include "tools/art/png_io.h"

enum Hue {
  kRed,
  kOrange,
  kYellow,
  kGreen,
  kTeal,
  kSky,
  kBlue,
  kPurple,
  kPink,
  kBrown,
  kTan,
  kLime,
  kSteel,
  kMagenta,
  kLavender,
  kHueCount
};

inline constexpr int kGreyCount = 29;
inline constexpr int kShadeCount = 15;
inline constexpr int kFirstGrey = 1;
inline constexpr int kFirstHue = kFirstGrey + kGreyCount;
inline constexpr int kBaseShade = 9;
inline constexpr Rgb kTransparentKey = {64, 64, 64};

int GreyIndex(int level);          // level 0 (near-black) .. kGreyCount - 1 (white)
int HueIndex(Hue hue, int shade);  // shade 0 (darkest) .. kShadeCount - 1 (lightest)
const std::array<Rgb, 256>& SheetPalette();

// Nearest entry among 1..254 (never the key, never 255). No dithering: equal colours in give
// equal indices out.
uint8_t NearestIndex(uint8_t r, uint8_t g, uint8_t b);
