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

void ShowStartFreshScene(Show& show) {
  show.darkTicks = 0;
  show.lastDrawnLength = -1;
  show.pictureSprites = {};
  DirectorInit(show);
}

namespace {

// The length of the list the director has just built, up to its end mark, or -1 when it
// repeats the list drawn last.
int32_t NewListLength(const Show& show) {
  const DrawEntry* entries = show.drawList.entries;
  int32_t length = 0;
  while (length < kDrawListSlots && entries[length].kind != DRAW_END) ++length;
  const bool repeats =
      length == show.lastDrawnLength &&
      std::memcmp(entries, show.lastDrawn, size_t(length) * sizeof(DrawEntry)) == 0;
  return repeats ? -1 : length;
}

void NoteDrawn(Show& show, int32_t length) {
  std::memcpy(show.lastDrawn, show.drawList.entries, size_t(length) * sizeof(DrawEntry));
  show.lastDrawnLength = length;
}

}  // namespace

bool ShowListToDraw(Show& show, DrawEntry* out) {
  const int32_t length = NewListLength(show);
  if (length < 0) return false;
  const int drawnLength = show.lastDrawnLength < 0 ? 0 : show.lastDrawnLength;
  const int count = DrawListWithoutRedraws(show.lastDrawn, drawnLength, show.drawList.entries,
                                           length, &show.pictureSprites, out);
  NoteDrawn(show, length);
  return count > 0;
}

int ShowQuietTicks(const Show& show, int most) {
  Show ahead = show;
  DrawEntry toDraw[kDrawListSlots];
  int quiet = 0;
  while (quiet < most) {
    DirectorTick(ahead);
    if (ShowListToDraw(ahead, toDraw)) break;
    ++quiet;
  }
  return quiet;
}

bool ShowListIsNew(Show& show) {
  const int32_t length = NewListLength(show);
  if (length < 0) return false;
  NoteDrawn(show, length);
  return true;
}
