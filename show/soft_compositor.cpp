#include "show/soft_compositor.h"

#include <cstdlib>
#include <cstring>

#include "res/resource_ids.h"
#include "show/dither_patterns.h"
#include "show/image_decode.h"

namespace {

constexpr uint32_t kBlackPixel = 0;

void FreeSheet(SoftSheet* sheet) {
  std::free(sheet->pixels);
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
  int32_t x = entry.x, y = entry.y, srcX = entry.srcX, srcY = entry.srcY;
  int32_t width = entry.width, height = entry.height;
  if (x < 0) {
    srcX -= x;
    width += x;
    x = 0;
  }
  if (x + width > picture.width) width = picture.width - x;
  if (y < 0) {
    srcY -= y;
    height += y;
    y = 0;
  }
  if (y + height > picture.height) height = picture.height - y;
  if (width <= 0 || height <= 0) return false;
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

constexpr int32_t kBlackRun = 512;
constexpr uint32_t kBlackPixels[kBlackRun] = {};

// Copies `count` pixels; true when the target changed.
bool CopyPixels(uint32_t* target, const uint32_t* source, int32_t count) {
  const size_t bytes = size_t(count) * sizeof(uint32_t);
  if (std::memcmp(target, source, bytes) == 0) return false;
  std::memcpy(target, source, bytes);
  return true;
}

// Makes `count` pixels black; true when the target changed.
bool ClearPixels(uint32_t* target, int32_t count) {
  bool changed = false;
  for (int32_t done = 0; done < count; done += kBlackRun) {
    const size_t bytes = size_t(count - done < kBlackRun ? count - done : kBlackRun) * 4;
    if (std::memcmp(target + done, kBlackPixels, bytes) == 0) continue;
    std::memset(target + done, 0, bytes);
    changed = true;
  }
  return changed;
}

// The image's pixels under the 1-bits of `ditherBits` (bit 7 for the column `phase` columns
// before the first, the pattern repeating every 8 columns); true when the target changed.
bool DitherPixels(uint32_t* target, const uint32_t* source, int32_t count, uint32_t ditherBits,
                  int32_t phase) {
  uint32_t difference = 0;
  const size_t end = size_t(count);
  // One pass for each column of the pattern that is drawn, every 8th pixel from its first.
  for (size_t bit = 0; bit < 8; ++bit) {
    if (!((ditherBits >> (7 - bit)) & 1)) continue;
    for (size_t i = (bit + 8 - size_t(phase & 7)) & 7; i < end; i += 8) {
      difference |= target[i] ^ source[i];
      target[i] = source[i];
    }
  }
  return difference != 0;
}

// Draws one clipped entry; true when a pixel of the work picture changed.
bool DrawSpan(SoftPicture& picture, uint8_t kind, int level, const SoftSheet& sheet,
              const Span& span) {
  bool changed = false;
  const int32_t srcEnd = span.srcX + span.width;
  for (int32_t row = 0; row < span.height; ++row) {
    const int32_t sheetRow = span.srcY + row;
    const uint32_t* source = sheet.pixels + size_t(sheetRow) * size_t(sheet.width);
    const size_t offset = size_t(span.y + row) * size_t(picture.width);
    // Work and background pixels lined up with the sheet row's columns.
    uint32_t* target = picture.work + offset + span.x - span.srcX;
    const uint32_t* behind =
        picture.background ? picture.background + offset + span.x - span.srcX : nullptr;
    if (kind == DRAW_OPAQUE) {
      changed |= CopyPixels(target + span.srcX, source + span.srcX, span.width);
      continue;
    }
    // The dither row, turned so that its bit 7 falls on the anchor's column.
    uint32_t ditherBits = 0;
    if (level > 0) {
      ditherBits = kDitherPatternRows[level - 1][(span.y + row - span.anchorY) & 7];
    }
    const int32_t anchorColumn = span.anchorX - (span.x - span.srcX);  // in sheet columns
    for (int32_t r = sheet.rowRuns[sheetRow]; r < sheet.rowRuns[sheetRow + 1]; ++r) {
      int32_t first = sheet.runs[2 * r], last = sheet.runs[2 * r + 1];
      if (last <= span.srcX) continue;
      if (first >= srcEnd) break;
      if (first < span.srcX) first = span.srcX;
      if (last > srcEnd) last = srcEnd;
      const int32_t count = last - first;
      switch (kind) {
        case DRAW_MASKED:
          changed |= level == 0 ? CopyPixels(target + first, source + first, count)
                                : DitherPixels(target + first, source + first, count, ditherBits,
                                               first - anchorColumn);
          break;
        case DRAW_SILHOUETTE:
          changed |= ClearPixels(target + first, count);
          break;
        case DRAW_RESTORE:
          changed |= behind ? CopyPixels(target + first, behind + first, count)
                            : ClearPixels(target + first, count);
          break;
        default:
          break;
      }
    }
  }
  return changed;
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
int AddChanged(SoftRect* list, int count, SoftRect rect) {
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
  sheet.pixels = static_cast<uint32_t*>(std::malloc(count * sizeof(uint32_t)));
  sheet.rowRuns = static_cast<int32_t*>(std::malloc((size_t(height) + 1) * sizeof(int32_t)));
  sheet.runs = static_cast<int32_t*>(std::malloc((2 * runCount + 1) * sizeof(int32_t)));
  if (!sheet.pixels || !sheet.rowRuns || !sheet.runs) {
    FreeSheet(&sheet);
    return false;
  }
  int32_t run = 0;
  for (int32_t row = 0; row < height; ++row) {
    const uint8_t* line = indices + size_t(row) * size_t(width);
    uint32_t* pixels = sheet.pixels + size_t(row) * size_t(width);
    sheet.rowRuns[row] = run;
    for (int32_t column = 0; column < width; ++column) {
      const uint8_t index = line[column];
      pixels[column] = index ? colours[index] & 0xFFFFFF : kBlackPixel;
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
  if (!picture.work) return false;
  FillZero(picture.work, count * sizeof(uint32_t));
  picture.width = width;
  picture.height = height;
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
  int count = 0;
  if (!picture.work) return 0;
  for (int slot = 0; slot < kDrawListSlots && entries[slot].kind != DRAW_END; ++slot) {
    const DrawEntry& entry = entries[slot];
    if (!DrawEntryDrawn(entry)) continue;
    const int level = entry.level & 15;
    const SoftSheet& sheet = sheets.slot[entry.sheet];
    if (!sheet.pixels) continue;
    // Level 1 to 8 dithers only the masked kind; the others draw in full at every level.
    const int dither = entry.kind == DRAW_MASKED ? level : 0;
    Span span;
    if (!ClipEntry(picture, entry, sheet, &span) ||
        !DrawSpan(picture, entry.kind, dither, sheet, span)) {
      continue;
    }
    count = AddChanged(changed, count, SoftRect{span.x, span.y, span.width, span.height});
  }
  return count;
}

void SoftFreePicture(SoftPicture& picture) {
  std::free(picture.work);
  std::free(picture.background);
  picture = SoftPicture{};
}
