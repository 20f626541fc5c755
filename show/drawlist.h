// The list of drawing orders that the animation builds each tick and the compositor draws.
// Platform-free.
#pragma once

#include <cstdint>

constexpr uint8_t DRAW_OPAQUE = 0;
constexpr uint8_t DRAW_MASKED = 1;
constexpr uint8_t DRAW_SILHOUETTE = 2;
constexpr uint8_t DRAW_RESTORE = 3;
constexpr uint8_t DRAW_END = 255;

constexpr int kDrawListSlots = 151;
// The sprite sheets an entry can name: its `sheet` is 0 to kSheetCount - 1.
constexpr int kSheetCount = 3;

struct DrawEntry {
  uint8_t kind;
  uint8_t sheet;
  int16_t x;
  int16_t y;
  int16_t srcX;
  int16_t srcY;
  int16_t width;
  int16_t height;
  uint16_t level;  // only the low four bits count: 0 full, 1 to 8 dithered, 9 to 15 not drawn
};

// Whether the compositors draw the entry at all: levels 9 to 15, unknown kinds and unknown
// sheets are passed over.
bool DrawEntryDrawn(const DrawEntry& entry);

struct SpriteRect {
  int32_t x;
  int32_t y;
  int32_t srcX;
  int32_t srcY;
  int32_t width;
  int32_t height;
};

// Clips `rect` in place to the area (0, 0) to (width, height), moving the source with a cut
// left or top edge; false when nothing is left.
bool ClipSpriteRect(SpriteRect& rect, int32_t width, int32_t height);

// The list one tick builds: its slots, read from slot 0 up to the first DRAW_END, and where the
// next entry goes.
struct DrawList {
  DrawEntry entries[kDrawListSlots];
  int position;
};

// Moves the write position back to slot 0.
void DrawListReset(DrawList& list);
// The entry at the write position.
DrawEntry* DrawListCurrent(DrawList& list);
// Zeroes an entry, so that a reused slot keeps nothing of an earlier tick.
void DrawEntryClear(DrawEntry* entry);
// Moves the write position one slot on, unless it stands at the last slot.
void DrawListAdvance(DrawList& list);
// Marks the entry at the write position as the end of the list.
void DrawListFinish(DrawList& list);

// The entries drawn on a picture that may have left pixels other than its background there:
// those drawn and not restored since. A picture starts as its background, with none.
struct PictureSprites {
  DrawEntry entries[kDrawListSlots];
  int count;
  bool overflowed;  // more than it holds were drawn: any pixel may differ
};

// Writes to `out` (room for `length` + 1 entries, ended by DRAW_END) the entries of the list
// `entries` (`length` long) that change a picture on which the list `drawn` (`drawnLength`
// long) was drawn last: each restore and full redraw of a sprite that `drawn` left on the
// picture where it stands, touching no other entry of either list after it, is left out, as
// blanking the sprite and drawing it again gives the same pixels. With `sprites` (those on the
// picture, brought up to date with the list), a restore where no sprite is on the picture is
// left out too, as its shape already holds the background, and so is an entry that is not drawn
// at all (levels 9 to 15). Returns the entries written.
int DrawListWithoutRedraws(const DrawEntry* drawn, int drawnLength, const DrawEntry* entries,
                           int length, PictureSprites* sprites, DrawEntry* out);
