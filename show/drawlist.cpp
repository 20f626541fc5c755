#include "show/drawlist.h"

void DrawListReset(DrawList& list) { list.position = 0; }

DrawEntry* DrawListCurrent(DrawList& list) { return &list.entries[list.position]; }

void DrawEntryClear(DrawEntry* entry) { *entry = DrawEntry{}; }

void DrawListAdvance(DrawList& list) {
  if (list.position < kDrawListSlots - 1) ++list.position;
}

void DrawListFinish(DrawList& list) { list.entries[list.position].kind = DRAW_END; }
