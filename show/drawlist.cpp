#include "show/drawlist.h"

namespace {

bool SameSprite(const DrawEntry& a, const DrawEntry& b) {
  return a.sheet == b.sheet && a.x == b.x && a.y == b.y && a.srcX == b.srcX && a.srcY == b.srcY &&
         a.width == b.width && a.height == b.height;
}

bool Overlap(const DrawEntry& a, const DrawEntry& b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

bool FullDraw(const DrawEntry& entry, uint8_t kind) {
  return entry.kind == kind && (entry.level & 15) == 0;
}

// Whether `drawn` ends with `sprite` drawn in full and nothing drawn over it after.
bool LeftOnPicture(const DrawEntry* drawn, int drawnLength, const DrawEntry& sprite) {
  for (int k = drawnLength - 1; k >= 0; --k) {
    if (FullDraw(drawn[k], DRAW_MASKED) && SameSprite(drawn[k], sprite)) return true;
    if (Overlap(drawn[k], sprite)) return false;
  }
  return false;
}

// Whether any entry of the list but `first` and `second` touches `sprite`.
bool TouchedByOthers(const DrawEntry* entries, int length, int first, int second,
                     const DrawEntry& sprite) {
  for (int i = 0; i < length; ++i) {
    if (i != first && i != second && Overlap(entries[i], sprite)) return true;
  }
  return false;
}

// Brings `sprites` up to date with `entry` drawn after them; returns whether the entry must be
// drawn, `needed` saying whether it was before this look.
bool NoteOnPicture(PictureSprites& sprites, const DrawEntry& entry, bool needed) {
  if (!DrawEntryDrawn(entry)) return false;
  if (entry.kind == DRAW_RESTORE) {
    bool touches = sprites.overflowed;
    int kept = 0;
    for (int i = 0; i < sprites.count; ++i) {
      touches = touches || Overlap(sprites.entries[i], entry);
      // Its shape goes back to the background: whatever that sprite left there goes.
      if (!SameSprite(sprites.entries[i], entry)) sprites.entries[kept++] = sprites.entries[i];
    }
    sprites.count = kept;
    return needed && touches;
  }
  if (sprites.count < kDrawListSlots) {
    sprites.entries[sprites.count++] = entry;
  } else {
    sprites.overflowed = true;
  }
  return needed;
}

}  // namespace

bool ClipSpriteRect(SpriteRect& rect, int32_t width, int32_t height) {
  if (rect.x < 0) {
    rect.srcX -= rect.x;
    rect.width += rect.x;
    rect.x = 0;
  }
  if (rect.x + rect.width > width) rect.width = width - rect.x;
  if (rect.y < 0) {
    rect.srcY -= rect.y;
    rect.height += rect.y;
    rect.y = 0;
  }
  if (rect.y + rect.height > height) rect.height = height - rect.y;
  return rect.width > 0 && rect.height > 0;
}

bool DrawEntryDrawn(const DrawEntry& entry) {
  return (entry.level & 15) < 9 && entry.kind <= DRAW_RESTORE && entry.sheet < kSheetCount;
}

void DrawListReset(DrawList& list) { list.position = 0; }

DrawEntry* DrawListCurrent(DrawList& list) { return &list.entries[list.position]; }

void DrawEntryClear(DrawEntry* entry) { *entry = DrawEntry{}; }

void DrawListAdvance(DrawList& list) {
  if (list.position < kDrawListSlots - 1) ++list.position;
}

void DrawListFinish(DrawList& list) { list.entries[list.position].kind = DRAW_END; }

int DrawListWithoutRedraws(const DrawEntry* drawn, int drawnLength, const DrawEntry* entries,
                           int length, PictureSprites* sprites, DrawEntry* out) {
  if (length > kDrawListSlots - 1) length = kDrawListSlots - 1;
  bool left[kDrawListSlots] = {};
  for (int j = 0; j < length; ++j) {
    const DrawEntry& sprite = entries[j];
    if (!FullDraw(sprite, DRAW_MASKED) || sprite.width <= 0 || sprite.height <= 0) continue;
    int restore = -1;
    for (int i = 0; i < j && restore < 0; ++i) {
      if (!left[i] && FullDraw(entries[i], DRAW_RESTORE) && SameSprite(entries[i], sprite)) {
        restore = i;
      }
    }
    if (restore < 0 || !LeftOnPicture(drawn, drawnLength, sprite) ||
        TouchedByOthers(entries, length, restore, j, sprite)) {
      continue;
    }
    left[restore] = left[j] = true;
  }
  int count = 0;
  for (int i = 0; i < length; ++i) {
    // A pair left out changes nothing, but the picture's sprites follow it as drawn.
    const bool needed = sprites ? NoteOnPicture(*sprites, entries[i], !left[i]) : !left[i];
    if (needed) out[count++] = entries[i];
  }
  out[count] = DrawEntry{};
  out[count].kind = DRAW_END;
  return count;
}
