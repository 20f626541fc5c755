#include "show/soft_compositor.h"

#include <cstdlib>
#include <cstring>

#include "res/resource_ids.h"
#include "show/dither_patterns.h"
#include "show/image_decode.h"

namespace {

constexpr uint32_t kBlackPixel = 0;

void FreeSheet(SoftSheet* sheet) {
  std::free(sheet->indices);
  std::free(sheet->rowRuns);
  std::free(sheet->runs);
  *sheet = SoftSheet{};
}

// The part of an entry that is drawn: where on the work picture, where in the sheet, and the
// dither anchor (the corner of the rectangle clipped to the output).
struct Span {
  int32_t x, y, srcX, srcY, width, height;
  int32_t anchorX, anchorY;
};

// Clips the entry's rectangle to the output, moving the source with a cut left or top edge,
// then to the sheet, moving the destination with it. false when nothing is left.
bool ClipEntry(const SoftPicture& picture, const DrawEntry& entry, const SoftSheet& sheet,
               Span* span) {
  SpriteRect clipped = {entry.x, entry.y, entry.srcX, entry.srcY, entry.width, entry.height};
  if (!ClipSpriteRect(clipped, picture.width, picture.height)) return false;
  int32_t x = clipped.x, y = clipped.y, srcX = clipped.srcX, srcY = clipped.srcY;
  int32_t width = clipped.width, height = clipped.height;
  const int32_t anchorX = x, anchorY = y;
  // Pixels that would come from outside the sheet are left alone.
  if (srcX < 0) {
    x -= srcX;
    width += srcX;
    srcX = 0;
  }
  if (srcY < 0) {
    y -= srcY;
    height += srcY;
    srcY = 0;
  }
  if (srcX + width > sheet.width) width = sheet.width - srcX;
  if (srcY + height > sheet.height) height = sheet.height - srcY;
  if (width <= 0 || height <= 0) return false;
  *span = Span{x, y, srcX, srcY, width, height, anchorX, anchorY};
  return true;
}

// The colours of `count` indices.
void CopyColours(uint32_t* target, const uint8_t* source, size_t count, const uint32_t* colours) {
  for (size_t i = 0; i < count; ++i) target[i] = colours[source[i]];
}

// The image's pixels under the 1-bits of `ditherBits` (bit 7 for the column `phase` columns
// before the first, the pattern repeating every 8 columns).
void DitherColours(uint32_t* target, const uint8_t* source, size_t count, const uint32_t* colours,
                   uint32_t ditherBits, int32_t phase) {
  // One pass for each column of the pattern that is drawn, every 8th pixel from its first.
  for (size_t bit = 0; bit < 8; ++bit) {
    if (!((ditherBits >> (7 - bit)) & 1)) continue;
    for (size_t i = (bit + 8 - size_t(phase & 7)) & 7; i < count; i += 8) {
      target[i] = colours[source[i]];
    }
  }
}

// An entry as it is drawn: clipped, with its sheet and dither level.
struct Drawn {
  Span span;
  uint8_t kind;
  int dither;
  const SoftSheet* sheet;
};

// Draws picture row `y` of an entry that covers it into `line`, which holds that row from column
// `lineX` on.
void DrawRow(const SoftPicture& picture, const Drawn& drawn, int32_t y, uint32_t* line,
             int32_t lineX) {
  const Span& span = drawn.span;
  const SoftSheet& sheet = *drawn.sheet;
  const int32_t sheetRow = span.srcY + y - span.y;
  const uint8_t* source = sheet.indices + size_t(sheetRow) * size_t(sheet.width);
  // Line and background pixels lined up with the sheet row's columns.
  uint32_t* target = line + (span.x - span.srcX - lineX);
  const uint32_t* behind =
      picture.background
          ? picture.background + size_t(y) * size_t(picture.width) + span.x - span.srcX
          : nullptr;
  const int32_t srcEnd = span.srcX + span.width;
  if (drawn.kind == DRAW_OPAQUE) {
    CopyColours(target + span.srcX, source + span.srcX, size_t(span.width), sheet.colours);
    return;
  }
  // The dither row, turned so that its bit 7 falls on the anchor's column.
  uint32_t ditherBits = 0;
  if (drawn.dither > 0) ditherBits = kDitherPatternRows[drawn.dither - 1][(y - span.anchorY) & 7];
  const int32_t anchorColumn = span.anchorX - (span.x - span.srcX);  // in sheet columns
  for (int32_t r = sheet.rowRuns[sheetRow]; r < sheet.rowRuns[sheetRow + 1]; ++r) {
    int32_t first = sheet.runs[2 * r], last = sheet.runs[2 * r + 1];
    if (last <= span.srcX) continue;
    if (first >= srcEnd) break;
    if (first < span.srcX) first = span.srcX;
    if (last > srcEnd) last = srcEnd;
    const size_t count = size_t(last - first);
    switch (drawn.kind) {
      case DRAW_MASKED:
        if (drawn.dither == 0) {
          CopyColours(target + first, source + first, count, sheet.colours);
        } else {
          DitherColours(target + first, source + first, count, sheet.colours, ditherBits,
                        first - anchorColumn);
        }
        break;
      case DRAW_SILHOUETTE:
        std::memset(target + first, 0, count * 4);
        break;
      case DRAW_RESTORE:
        if (behind) {
          std::memcpy(target + first, behind + first, count * 4);
        } else {
          std::memset(target + first, 0, count * 4);
        }
        break;
      default:
        break;
    }
  }
}

bool Overlaps(const SoftRect& a, const SoftRect& b) {
  return a.x < b.x + b.width && b.x < a.x + a.width && a.y < b.y + b.height && b.y < a.y + a.height;
}

SoftRect Union(const SoftRect& a, const SoftRect& b) {
  const int32_t left = a.x < b.x ? a.x : b.x;
  const int32_t top = a.y < b.y ? a.y : b.y;
  const int32_t right = a.x + a.width > b.x + b.width ? a.x + a.width : b.x + b.width;
  const int32_t bottom = a.y + a.height > b.y + b.height ? a.y + a.height : b.y + b.height;
  return SoftRect{left, top, right - left, bottom - top};
}

// Adds `rect` to the `count` rectangles of `list`, merging it with every one it overlaps
// (and the merged one again) so that the list's rectangles stay apart; the new count.
int AddMerged(SoftRect* list, int count, SoftRect rect) {
  for (int i = 0; i < count;) {
    if (Overlaps(list[i], rect)) {
      rect = Union(rect, list[i]);
      list[i] = list[--count];
      i = 0;
    } else {
      ++i;
    }
  }
  list[count] = rect;
  return count + 1;
}

// Draws the entries that lie in `rect` (one of the frame's groups of overlapping entries), row by
// row: each row is drawn in the line from what the picture holds, and only the pixels that end up
// different are written back, so that the picture's memory is read once and written only where
// it changes. Narrows `rect` to the rows and columns that changed; false when none did.
bool DrawGroup(SoftPicture& picture, const Drawn* drawn, int count, SoftRect* rect) {
  const Drawn* inGroup[kDrawListSlots];
  int members = 0;
  for (int i = 0; i < count; ++i) {
    const Span& span = drawn[i].span;
    if (Overlaps(*rect, SoftRect{span.x, span.y, span.width, span.height})) {
      inGroup[members++] = &drawn[i];
    }
  }
  uint32_t* line = picture.line;
  const int32_t lineX = rect->x;
  const size_t lineBytes = size_t(rect->width) * 4;
  int32_t top = -1, bottom = -1, left = rect->x + rect->width, right = rect->x;
  for (int32_t y = rect->y; y < rect->y + rect->height; ++y) {
    uint32_t* row = picture.work + size_t(y) * picture.stride + lineX;
    bool covered = false;
    for (int i = 0; i < members; ++i) {
      const Span& span = inGroup[i]->span;
      if (y < span.y || y >= span.y + span.height) continue;
      if (!covered) std::memcpy(line, row, lineBytes);
      covered = true;
      DrawRow(picture, *inGroup[i], y, line, lineX);
    }
    if (!covered || std::memcmp(line, row, lineBytes) == 0) continue;
    int32_t first = 0, last = rect->width - 1;
    while (line[first] == row[first]) ++first;
    while (line[last] == row[last]) --last;
    std::memcpy(row + first, line + first, size_t(last + 1 - first) * 4);
    if (top < 0) top = y;
    bottom = y;
    if (lineX + first < left) left = lineX + first;
    if (lineX + last + 1 > right) right = lineX + last + 1;
  }
  if (top < 0) return false;
  *rect = SoftRect{left, top, right - left, bottom + 1 - top};
  return true;
}

}  // namespace

void FillZero(void* memory, size_t bytes) {
  // Called through a volatile pointer, so that the compiler cannot turn malloc and memset into
  // calloc and leave the pages untouched.
  static void* (*const volatile fill)(void*, int, size_t) = std::memset;
  fill(memory, 0, bytes);
}

bool SoftSetSheet(SoftSheets& sheets, int slot, int32_t width, int32_t height,
                  const uint8_t* indices, const uint32_t* colours) {
  if (slot < 0 || slot >= kSheetCount) return false;
  SoftSheet& sheet = sheets.slot[slot];
  FreeSheet(&sheet);
  if (width <= 0 || height <= 0 || int64_t(width) * height > kMaxImagePixels) return false;
  const size_t count = size_t(width) * size_t(height);
  // Runs: count them first, then note where each begins and ends.
  size_t runCount = 0;
  for (int32_t row = 0; row < height; ++row) {
    const uint8_t* line = indices + size_t(row) * size_t(width);
    for (int32_t column = 0; column < width; ++column) {
      runCount += line[column] && (column == 0 || !line[column - 1]);
    }
  }
  sheet.indices = static_cast<uint8_t*>(std::malloc(count));
  sheet.rowRuns = static_cast<int32_t*>(std::malloc((size_t(height) + 1) * sizeof(int32_t)));
  sheet.runs = static_cast<int32_t*>(std::malloc((2 * runCount + 1) * sizeof(int32_t)));
  if (!sheet.indices || !sheet.rowRuns || !sheet.runs) {
    FreeSheet(&sheet);
    return false;
  }
  std::memcpy(sheet.indices, indices, count);
  sheet.colours[0] = kBlackPixel;
  for (int i = 1; i < 256; ++i) sheet.colours[i] = colours[i] & 0xFFFFFF;
  int32_t run = 0;
  for (int32_t row = 0; row < height; ++row) {
    const uint8_t* line = indices + size_t(row) * size_t(width);
    sheet.rowRuns[row] = run;
    for (int32_t column = 0; column < width; ++column) {
      const uint8_t index = line[column];
      if (index && (column == 0 || !line[column - 1])) sheet.runs[2 * run] = column;
      if (index && (column + 1 == width || !line[column + 1]))
        sheet.runs[2 * run++ + 1] = column + 1;
    }
  }
  sheet.rowRuns[height] = run;
  sheet.width = width;
  sheet.height = height;
  return true;
}

bool SoftLoadSheet(SoftSheets& sheets, int slot, const uint8_t* resource, size_t size) {
  if (slot < 0 || slot >= kSheetCount) return false;
  FreeSheet(&sheets.slot[slot]);
  ImageInfo info;
  if (!ImageReadInfo(resource, size, &info) || info.bitCount != 8) return false;
  uint8_t* decoded = static_cast<uint8_t*>(std::calloc(info.pixelBufferSize, 1));
  if (!decoded) return false;
  const size_t count = size_t(info.width) * size_t(info.height);
  uint8_t* topFirst = static_cast<uint8_t*>(std::malloc(count));
  bool loaded = false;
  if (topFirst && ImageDecodePixels(resource, size, info, decoded)) {
    // The resource holds its bottom row first.
    for (int32_t row = 0; row < info.height; ++row) {
      std::memcpy(topFirst + size_t(row) * size_t(info.width),
                  decoded + size_t(info.height - 1 - row) * size_t(info.width), size_t(info.width));
    }
    uint32_t colours[256] = {};
    const uint8_t* table = resource + info.colourTableOffset;
    for (uint32_t i = 0; i < info.colourCount; ++i) {
      colours[i] = uint32_t(table[4 * i + 2]) << 16 | uint32_t(table[4 * i + 1]) << 8 |
                   uint32_t(table[4 * i]);
    }
    loaded = SoftSetSheet(sheets, slot, info.width, info.height, topFirst, colours);
  }
  std::free(topFirst);
  std::free(decoded);
  return loaded;
}

bool SoftLoadProgramSheets(SoftSheets& sheets, ImageResourceLookup lookup) {
  for (int slot = 0; slot < kSheetCount; ++slot) {
    const uint8_t* data = nullptr;
    size_t size = 0;
    if (!lookup(kSheetResources[slot], &data, &size) || !SoftLoadSheet(sheets, slot, data, size)) {
      SoftFreeSheets(sheets);
      return false;
    }
  }
  return true;
}

SoftRect SoftSheetSize(const SoftSheets& sheets, int slot) {
  if (slot < 0 || slot >= kSheetCount) return SoftRect{};
  return SoftRect{0, 0, sheets.slot[slot].width, sheets.slot[slot].height};
}

void SoftFreeSheets(SoftSheets& sheets) {
  for (SoftSheet& sheet : sheets.slot) FreeSheet(&sheet);
}

bool SoftCreatePicture(SoftPicture& picture, int32_t width, int32_t height) {
  SoftFreePicture(picture);
  if (width <= 0 || height <= 0 || int64_t(width) * height > kMaxImagePixels) return false;
  const size_t count = size_t(width) * size_t(height);
  picture.work = static_cast<uint32_t*>(std::malloc(count * sizeof(uint32_t)));
  picture.line = static_cast<uint32_t*>(std::malloc(size_t(width) * sizeof(uint32_t)));
  if (!picture.work || !picture.line) {
    SoftFreePicture(picture);
    return false;
  }
  FillZero(picture.work, count * sizeof(uint32_t));
  picture.width = width;
  picture.height = height;
  picture.stride = size_t(width);
  return true;
}

bool SoftDrawPictureInto(SoftPicture& picture, uint32_t* pixels, size_t stride) {
  if (!picture.work || !pixels || stride < size_t(picture.width)) return false;
  for (int32_t y = 0; y < picture.height; ++y) {
    std::memmove(pixels + size_t(y) * stride, picture.work + size_t(y) * picture.stride,
                 size_t(picture.width) * sizeof(uint32_t));
  }
  if (!picture.lent) std::free(picture.work);
  picture.work = pixels;
  picture.stride = stride;
  picture.lent = true;
  return true;
}

void SoftSetBackground(SoftPicture& picture, const uint32_t* pixels) {
  if (!picture.work) return;
  const size_t count = size_t(picture.width) * size_t(picture.height);
  if (!picture.background) {
    picture.background = static_cast<uint32_t*>(std::malloc(count * sizeof(uint32_t)));
  }
  if (picture.background) std::memcpy(picture.background, pixels, count * sizeof(uint32_t));
}

int SoftRenderFrame(SoftPicture& picture, const SoftSheets& sheets, const DrawEntry* entries,
                    SoftRect* changed) {
  if (!picture.work) return 0;
  Drawn drawn[kDrawListSlots];
  int count = 0;
  SoftRect groups[kDrawListSlots];
  int groupCount = 0;
  for (int slot = 0; slot < kDrawListSlots && entries[slot].kind != DRAW_END; ++slot) {
    const DrawEntry& entry = entries[slot];
    if (!DrawEntryDrawn(entry)) continue;
    const SoftSheet& sheet = sheets.slot[entry.sheet];
    if (!sheet.indices) continue;
    // Level 1 to 8 dithers only the masked kind; the others draw in full at every level.
    const int dither = entry.kind == DRAW_MASKED ? entry.level & 15 : 0;
    Drawn& next = drawn[count];
    if (!ClipEntry(picture, entry, sheet, &next.span)) continue;
    next.kind = entry.kind;
    next.dither = dither;
    next.sheet = &sheet;
    const Span& span = next.span;
    groupCount = AddMerged(groups, groupCount, SoftRect{span.x, span.y, span.width, span.height});
    ++count;
  }
  int kept = 0;
  for (int i = 0; i < groupCount; ++i) {
    SoftRect rect = groups[i];
    if (DrawGroup(picture, drawn, count, &rect)) changed[kept++] = rect;
  }
  return kept;
}

void SoftFreePicture(SoftPicture& picture) {
  if (!picture.lent) std::free(picture.work);
  std::free(picture.background);
  std::free(picture.line);
  picture = SoftPicture{};
}
