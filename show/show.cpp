#include "show/show.h"

#include <cstring>

void ShowSetUp(Show& show, int32_t runMode, Size2 screen, Size2 output, int32_t scaleFactor,
               uint32_t seed) {
  show = Show{};
  show.runMode = runMode;
  show.screenSize = screen;
  show.outputSize = output;
  show.scaleFactor = scaleFactor;
  SeedRandom(show.random, seed);
  DirectorInit(show);
}

bool ShowListToDraw(Show& show, DrawEntry* out) {
  const DrawEntry* entries = show.drawList.entries;
  int32_t length = 0;
  while (length < kDrawListSlots && entries[length].kind != DRAW_END) ++length;
  if (length == show.lastDrawnLength &&
      std::memcmp(entries, show.lastDrawn, size_t(length) * sizeof(DrawEntry)) == 0) {
    return false;
  }
  const int drawnLength = show.lastDrawnLength < 0 ? 0 : show.lastDrawnLength;
  const int count = DrawListWithoutRedraws(show.lastDrawn, drawnLength, entries, length,
                                           &show.pictureSprites, out);
  std::memcpy(show.lastDrawn, entries, size_t(length) * sizeof(DrawEntry));
  show.lastDrawnLength = length;
  return count > 0;
}

bool ShowListIsNew(Show& show) {
  const DrawEntry* entries = show.drawList.entries;
  int32_t length = 0;
  while (length < kDrawListSlots && entries[length].kind != DRAW_END) ++length;
  if (length == show.lastDrawnLength &&
      std::memcmp(entries, show.lastDrawn, size_t(length) * sizeof(DrawEntry)) == 0) {
    return false;
  }
  std::memcpy(show.lastDrawn, entries, size_t(length) * sizeof(DrawEntry));
  show.lastDrawnLength = length;
  return true;
}
