#include "tests/support/pixel_checks.h"

#include <cstdio>
#include <cstring>

std::string PixelDifference(const uint32_t* got, const uint32_t* want, int width, int height,
                            const char* gotName, const char* wantName) {
  int count = 0;
  char first[128] = "";
  for (int i = 0; i < width * height; ++i) {
    if (got[i] == want[i]) continue;
    if (count++ == 0) {
      std::snprintf(first, sizeof first, " first at (%d,%d): %s %06X, %s %06X", i % width,
                    i / width, gotName, unsigned(got[i]), wantName, unsigned(want[i]));
    }
  }
  return count ? std::to_string(count) + " pixels differ," + first : "";
}

std::string Difference(const RgbImage& got, const RgbImage& want) {
  if (got.width != want.width || got.height != want.height) return "sizes differ";
  return PixelDifference(got.pixels.data(), want.pixels.data(), want.width, want.height);
}

std::string ChangedOutsideRects(const uint32_t* before, const uint32_t* after, int width,
                                int height, const SoftRect* rects, int count) {
  for (int y = 0; y < height; ++y) {
    const size_t row = size_t(y) * size_t(width);
    // Most rows of a large picture do not change: compare them whole first.
    if (std::memcmp(before + row, after + row, size_t(width) * 4) == 0) continue;
    for (int x = 0; x < width; ++x) {
      if (before[row + x] == after[row + x]) continue;
      bool held = false;
      for (int i = 0; i < count && !held; ++i) {
        held = x >= rects[i].x && x < rects[i].x + rects[i].width && y >= rects[i].y &&
               y < rects[i].y + rects[i].height;
      }
      if (!held) {
        return "changed pixel (" + std::to_string(x) + "," + std::to_string(y) +
               ") lies in no rectangle";
      }
    }
  }
  return "";
}
