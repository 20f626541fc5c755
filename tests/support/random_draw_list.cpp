#include "tests/support/random_draw_list.h"

#include <algorithm>
#include <cstdint>

#include "tests/support/draw_entry.h"

std::vector<DrawEntry> RandomDrawList(std::mt19937& random, int outW, int outH, int sheetW,
                                      int sheetH) {
  auto pick = [&random](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  constexpr uint8_t kKinds[] = {
      DRAW_OPAQUE,  DRAW_MASKED,  DRAW_MASKED, DRAW_MASKED, DRAW_SILHOUETTE,
      DRAW_RESTORE, DRAW_RESTORE, 4,           200,         254};
  std::vector<DrawEntry> list;
  const int count = pick(1, 12);
  for (int i = 0; i < count; ++i) {
    const int width = pick(-2, sheetW);
    const int height = pick(-2, sheetH);
    const int srcX = pick(0, sheetW - std::max(width, 0));
    const int srcY = pick(0, sheetH - std::max(height, 0));
    const int level = pick(0, 3) ? pick(0, 8) : pick(0, 0xFFFF);
    // Drawn one by one in a fixed order, so that a seed gives the same lists with every compiler.
    const uint8_t kind = kKinds[pick(0, 9)];
    const int x = pick(-sheetW, outW + 2);
    const int y = pick(-sheetH, outH + 2);
    const int sheet = pick(0, 9) ? pick(0, 2) : pick(3, 255);
    list.push_back(MakeDrawEntry(kind, level, x, y, srcX, srcY, width, height, sheet));
  }
  return list;
}
