#include "tests/support/draw_entry.h"

DrawEntry MakeDrawEntry(uint8_t kind, int level, int x, int y, int srcX, int srcY, int width,
                        int height, int sheet) {
  DrawEntry entry = {};
  entry.kind = kind;
  entry.sheet = static_cast<uint8_t>(sheet);
  entry.x = static_cast<int16_t>(x);
  entry.y = static_cast<int16_t>(y);
  entry.srcX = static_cast<int16_t>(srcX);
  entry.srcY = static_cast<int16_t>(srcY);
  entry.width = static_cast<int16_t>(width);
  entry.height = static_cast<int16_t>(height);
  entry.level = static_cast<uint16_t>(level);
  return entry;
}

namespace {

DrawList TestList = {{{DRAW_END, 0, 0, 0, 0, 0, 0, 0, 0}}, 0};

}  // namespace

const DrawEntry* TestDrawList() { return TestList.entries; }

const DrawEntry* DrawListFill(const std::vector<DrawEntry>& entries) {
  DrawList& list = TestList;
  DrawListReset(list);
  for (const DrawEntry& entry : entries) {
    *DrawListCurrent(list) = entry;
    DrawListAdvance(list);
  }
  DrawListFinish(list);
  return list.entries;
}
