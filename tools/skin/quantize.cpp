#include "tools/skin/quantize.h"

#include <algorithm>
#include <limits>
#include <map>

namespace {

Rgb Unpack(uint32_t c) {
  return Rgb{static_cast<uint8_t>(c >> 16), static_cast<uint8_t>(c >> 8), static_cast<uint8_t>(c)};
}

// Squared distance with weights roughly following the eye's sensitivity.
int64_t Distance(Rgb a, Rgb b) {
  const int64_t dr = int64_t{a.r} - b.r;
  const int64_t dg = int64_t{a.g} - b.g;
  const int64_t db = int64_t{a.b} - b.b;
  return 2 * dr * dr + 4 * dg * dg + 3 * db * db;
}

}  // namespace

std::vector<Rgb> BuildPalette(const std::vector<uint32_t> &pixels, size_t maxColours) {
  std::map<uint32_t, int64_t> histogram;
  for (uint32_t p : pixels) ++histogram[p & 0xFFFFFFu];

  struct Entry {
    Rgb colour;
    int64_t count;
    int64_t nearest;  // distance to the closest colour picked so far
  };
  std::vector<Entry> entries;
  entries.reserve(histogram.size());
  for (const auto &[c, n] : histogram)
    entries.push_back({Unpack(c), n, std::numeric_limits<int64_t>::max()});

  // Greedy: repeatedly take the colour whose pixels would lose the most if it
  // were left out (pixel count times squared distance to the nearest pick).
  // The first pick is simply the most common colour; big flat areas come
  // early, then the shades of their anti-aliased borders.
  std::vector<Rgb> palette;
  while (palette.size() < maxColours) {
    size_t best = entries.size();
    long double bestCost = 0;
    for (size_t i = 0; i < entries.size(); ++i) {
      const Entry &e = entries[i];
      if (e.nearest == 0) continue;
      const long double cost = e.nearest == std::numeric_limits<int64_t>::max()
                                   ? static_cast<long double>(e.count) * 1e12L
                                   : static_cast<long double>(e.count) * e.nearest;
      if (cost > bestCost) {
        bestCost = cost;
        best = i;
      }
    }
    if (best == entries.size()) break;  // every colour is already exact
    const Rgb pick = entries[best].colour;
    palette.push_back(pick);
    for (Entry &e : entries) e.nearest = std::min(e.nearest, Distance(e.colour, pick));
  }
  return palette;
}

size_t NearestColour(const std::vector<Rgb> &palette, uint32_t c) {
  const Rgb want = Unpack(c);
  size_t best = 0;
  int64_t bestDistance = std::numeric_limits<int64_t>::max();
  for (size_t i = 0; i < palette.size(); ++i) {
    const int64_t d = Distance(palette[i], want);
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  return best;
}
