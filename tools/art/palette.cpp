#include "tools/art/palette.h"

#include <cmath>
#include <unordered_map>

namespace {

constexpr Rgb kHueBase[kHueCount] = {
    {222, 44, 44},    // red
    {245, 134, 30},   // orange
    {250, 212, 48},   // yellow
    {70, 184, 62},    // green
    {32, 172, 160},   // teal
    {78, 164, 242},   // sky blue
    {56, 86, 214},    // blue
    {144, 74, 204},   // purple
    {244, 124, 172},  // pink
    {152, 92, 48},    // brown
    {226, 176, 116},  // tan
    {172, 222, 52},   // lime
    {112, 136, 168},  // steel
    {214, 52, 162},   // magenta
    {156, 136, 182},  // lavender
};

uint8_t Clamp(double v) {
  return static_cast<uint8_t>(std::lround(std::fmin(255.0, std::fmax(0.0, v))));
}

std::array<Rgb, 256> BuildPalette() {
  std::array<Rgb, 256> p{};
  p[0] = kTransparentKey;
  for (int i = 0; i < kGreyCount; ++i) {
    const uint8_t v = Clamp(8.0 + i * 247.0 / (kGreyCount - 1));
    p[kFirstGrey + i] = {v, v, v};
  }
  for (int h = 0; h < kHueCount; ++h) {
    const Rgb base = kHueBase[h];
    for (int s = 0; s < kShadeCount; ++s) {
      double k, w;  // scale towards black, then blend towards white
      if (s <= kBaseShade) {
        k = 0.16 + 0.84 * s / kBaseShade;
        w = 0.0;
      } else {
        k = 1.0;
        w = 0.86 * (s - kBaseShade) / (kShadeCount - 1 - kBaseShade);
      }
      auto ch = [&](uint8_t c) { return Clamp(c * k * (1 - w) + 255.0 * w); };
      p[kFirstHue + h * kShadeCount + s] = {ch(base.r), ch(base.g), ch(base.b)};
    }
  }
  p[255] = {0, 0, 0};
  return p;
}

}  // namespace

int GreyIndex(int level) { return kFirstGrey + level; }
int HueIndex(Hue hue, int shade) { return kFirstHue + hue * kShadeCount + shade; }

const std::array<Rgb, 256>& SheetPalette() {
  static const std::array<Rgb, 256> palette = BuildPalette();
  return palette;
}

uint8_t NearestIndex(uint8_t r, uint8_t g, uint8_t b) {
  static std::unordered_map<uint32_t, uint8_t> cache;
  const uint32_t key = (r << 16) | (g << 8) | b;
  if (auto it = cache.find(key); it != cache.end()) return it->second;
  const auto& p = SheetPalette();
  int best = 1;
  long bestD = -1;
  for (int i = 1; i <= 254; ++i) {
    const long dr = r - p[i].r, dg = g - p[i].g, db = b - p[i].b;
    const long d = 3 * dr * dr + 4 * dg * dg + 2 * db * db;
    if (bestD < 0 || d < bestD) {
      bestD = d;
      best = i;
    }
  }
  cache.emplace(key, static_cast<uint8_t>(best));
  return static_cast<uint8_t>(best);
}
