#include "gfx/drawlist.h"

namespace {

DrawEntry Entries[kDrawListSlots];
int WritePosition = 0;

}  // namespace

void DrawListReset() { WritePosition = 0; }

DrawEntry* DrawListCurrent() { return &Entries[WritePosition]; }

void DrawEntryClear(DrawEntry* entry) { *entry = DrawEntry{}; }

void DrawListAdvance() {
  if (WritePosition < kDrawListSlots - 1) ++WritePosition;
}

void DrawListFinish() { Entries[WritePosition].kind = DRAW_END; }

const DrawEntry* DrawListEntries() { return Entries; }
