#include "windows/gdi/compositor.h"

#include "windows/gdi/image.h"
#include "show/dither_patterns.h"
#include "show/runstate.h"

namespace {

// NOT P, with the pattern brush P white at its 1-bits (a fresh memory DC's background colour)
// and black at its 0-bits; destination and source not used.
constexpr DWORD kNotPatternRop = 0x000F0001;

// A memory DC of the compositor and the bitmap of ours it holds. The DCs live from the first
// frame to GfxReleaseDrawingContexts, each keeping its bitmap selected between frames: under
// Wine creating a DC and selecting into it costs far more than the blits of a whole frame. A
// bitmap is selected only when it differs from the one held.
struct Holder {
  HDC dc;
  HGDIOBJ original;  // the DC's own bitmap, null while nothing of ours was selected
  HBITMAP held;
};

// The drawing state: the WorkBuffer is drawn into through `work`, each sheet slot's bitmaps are
// read through `masks` and `images` and the BackgroundBuffer through `background`.
struct Drawing {
  Holder work;
  Holder masks[kSheetCount];
  Holder images[kSheetCount];
  Holder background;
  Holder temporary;
  int temporaryWidth;
  int temporaryHeight;
  HBRUSH brushes[kDitherPatternCount];         // made at their first use
  HBITMAP brushPatterns[kDitherPatternCount];  // the pattern bitmap each brush was made from
  HGDIOBJ temporaryOriginalBrush;              // null while no brush of ours is selected
};

Drawing Held = {};

// The BackgroundBuffer GfxCreateBuffers made and filled black, which nothing changes after
// set-up; null when the BackgroundBuffer is another bitmap.
HBITMAP BlackBackground = nullptr;

// The zoom of the present, 1 or more.
int32_t PresentZoom = 1;

// The rectangles the frame changed, in picture pixels, merged before they are presented.
constexpr int kMaxChanged = kDrawListSlots;
RECT Changed[kMaxChanged];
int ChangedCount = 0;

// Pixels a separate hand-over of each presented rectangle must save to be worth its cost.
constexpr int64_t kFlushSavingPixels = 512 * 512;

// `holder`'s DC with `bitmap` selected, selecting it when another is held; null when it
// cannot be.
HDC Select(Holder* holder, HBITMAP bitmap) {
  if (!bitmap) return nullptr;
  if (holder->held == bitmap) return holder->dc;
  if (!holder->dc) holder->dc = CreateCompatibleDC(nullptr);
  if (!holder->dc) return nullptr;
  const HGDIOBJ previous = SelectObject(holder->dc, bitmap);
  if (!previous) return nullptr;
  if (!holder->original) holder->original = previous;
  holder->held = bitmap;
  return holder->dc;
}

void Release(Holder* holder) {
  if (!holder->dc) return;
  if (holder->original) SelectObject(holder->dc, holder->original);
  DeleteDC(holder->dc);
  *holder = {};
}

// Copies `rect` from (srcX, srcY) of `source`, selected through `holder`, to (x, y) of `to`
// with `rop`; false when the source cannot be selected.
bool BlitInto(HDC to, const SpriteRect& rect, Holder* holder, HBITMAP source, DWORD rop) {
  const HDC from = Select(holder, source);
  if (!from) return false;
  BitBlt(to, rect.x, rect.y, rect.width, rect.height, from, rect.srcX, rect.srcY, rop);
  return true;
}

// The same into the WorkBuffer; nothing when either bitmap cannot be selected.
void Blit(Drawing* frame, const SpriteRect& rect, Holder* holder, HBITMAP source, DWORD rop) {
  const HDC work = Select(&frame->work, WorkBuffer);
  if (work) BlitInto(work, rect, holder, source, rop);
}

// Gives the temporary bitmap's DC its own brush back.
void SelectBrushBack(Drawing* frame) {
  if (!frame->temporaryOriginalBrush) return;
  SelectObject(frame->temporary.dc, frame->temporaryOriginalBrush);
  frame->temporaryOriginalBrush = nullptr;
}

// The temporary bitmap, at least width x height, selected in its own DC, whose brush origin
// stays at (0, 0); null when it cannot be made.
HDC Temporary(Drawing* frame, int width, int height) {
  Holder& holder = frame->temporary;
  if (holder.held && width <= frame->temporaryWidth && height <= frame->temporaryHeight) {
    return holder.dc;
  }
  const int grownWidth = width > frame->temporaryWidth ? width : frame->temporaryWidth;
  const int grownHeight = height > frame->temporaryHeight ? height : frame->temporaryHeight;
  // The WorkBuffer's format, which every blit into it reads.
  BITMAP work = {};
  if (!GetObject(WorkBuffer, sizeof work, &work)) return nullptr;
  const HBITMAP grown =
      CreateBitmap(grownWidth, grownHeight, work.bmPlanes, work.bmBitsPixel, nullptr);
  if (!grown) return nullptr;
  const HBITMAP old = holder.held;
  if (!Select(&holder, grown)) {
    DeleteObject(grown);
    return nullptr;
  }
  if (old) DeleteObject(old);
  frame->temporaryWidth = grownWidth;
  frame->temporaryHeight = grownHeight;
  return holder.dc;
}

// Selects the brush of `pattern` into the temporary bitmap's DC; false when it cannot be.
bool SelectPattern(Drawing* frame, int pattern) {
  HBRUSH& brush = frame->brushes[pattern];
  if (brush && frame->brushPatterns[pattern] != DitherPatterns[pattern]) {
    SelectBrushBack(frame);
    DeleteObject(brush);
    brush = nullptr;
  }
  if (!brush) {
    brush = CreatePatternBrush(DitherPatterns[pattern]);
    frame->brushPatterns[pattern] = DitherPatterns[pattern];
  }
  if (!brush) return false;
  const HGDIOBJ previous = SelectObject(frame->temporary.dc, brush);
  if (!previous) return false;
  if (!frame->temporaryOriginalBrush) frame->temporaryOriginalBrush = previous;
  return true;
}

void DrawOpaque(Drawing* frame, const SpriteRect& rect, int slot) {
  Blit(frame, rect, &frame->images[slot], SpriteSheets[slot].image, SRCCOPY);
}

void DrawMasked(Drawing* frame, const SpriteRect& rect, int slot) {
  Blit(frame, rect, &frame->masks[slot], SpriteSheets[slot].mask, SRCAND);
  Blit(frame, rect, &frame->images[slot], SpriteSheets[slot].image, SRCPAINT);
}

void DrawSilhouette(Drawing* frame, const SpriteRect& rect, int slot) {
  Blit(frame, rect, &frame->masks[slot], SpriteSheets[slot].mask, SRCAND);
}

void DrawRestore(Drawing* frame, const SpriteRect& rect, int slot) {
  // Over a black background, putting it back in the mask's shape is blackening that shape.
  if (BackgroundBuffer && BackgroundBuffer == BlackBackground) {
    Blit(frame, rect, &frame->masks[slot], SpriteSheets[slot].mask, SRCAND);
    return;
  }
  // With W the WorkBuffer, B the BackgroundBuffer and M the mask: ((W ^ B) & M) ^ B is W where
  // M is white and B where it is black.
  const SpriteRect background = {rect.x, rect.y, rect.x, rect.y, rect.width, rect.height};
  Blit(frame, background, &frame->background, BackgroundBuffer, SRCINVERT);
  Blit(frame, rect, &frame->masks[slot], SpriteSheets[slot].mask, SRCAND);
  Blit(frame, background, &frame->background, BackgroundBuffer, SRCINVERT);
}

// The image within the mask's shape where the pattern has a 1-bit, the pattern anchored at
// the rectangle's corner. The pattern is painted into the temporary bitmap T from (0, 0),
// where a fresh DC's brush starts; painting it alone keeps clear of ternary operations, whose
// pattern alignment differs between GDI implementations.
void DrawDithered(Drawing* frame, const SpriteRect& rect, int slot, int pattern) {
  const HDC temporary = Temporary(frame, rect.width, rect.height);
  if (!temporary || !SelectPattern(frame, pattern)) return;
  const SpriteRect toTemporary = {0, 0, rect.srcX, rect.srcY, rect.width, rect.height};
  const SpriteRect fromTemporary = {rect.x, rect.y, 0, 0, rect.width, rect.height};
  const HBITMAP t = frame->temporary.held;
  // T = NOT P OR M: black exactly where the sprite meets a 1-bit; the WorkBuffer is cut there.
  PatBlt(temporary, 0, 0, rect.width, rect.height, kNotPatternRop);
  if (!BlitInto(temporary, toTemporary, &frame->masks[slot], SpriteSheets[slot].mask, SRCPAINT))
    return;
  Blit(frame, fromTemporary, &frame->temporary, t, SRCAND);
  // T = I AND NOT T: the image under the 1-bits (it is black outside the sprite); added.
  if (!BlitInto(temporary, toTemporary, &frame->images[slot], SpriteSheets[slot].image, SRCERASE))
    return;
  Blit(frame, fromTemporary, &frame->temporary, t, SRCPAINT);
}

void NoteChanged(const SpriteRect& rect) {
  if (ChangedCount >= kMaxChanged) return;
  Changed[ChangedCount++] = {rect.x, rect.y, rect.x + rect.width, rect.y + rect.height};
}

int64_t Area(const RECT& r) { return int64_t(r.right - r.left) * (r.bottom - r.top); }

// Joins two changed rectangles into their bounding rectangle wherever that is no larger than
// the two apart, until no such pair is left.
void MergeChanged() {
  bool merged = true;
  while (merged) {
    merged = false;
    for (int i = 0; i < ChangedCount && !merged; ++i) {
      for (int j = i + 1; j < ChangedCount && !merged; ++j) {
        RECT both;
        UnionRect(&both, &Changed[i], &Changed[j]);
        if (Area(both) > Area(Changed[i]) + Area(Changed[j])) continue;
        Changed[i] = both;
        Changed[j] = Changed[--ChangedCount];
        merged = true;
      }
    }
  }
}

}  // namespace

void GfxCreatePatterns() {
  for (int p = 0; p < kDitherPatternCount; ++p) {
    WORD rows[8];
    for (int r = 0; r < 8; ++r) rows[r] = kDitherPatternRows[p][r];
    DitherPatterns[p] = CreateBitmap(8, 8, 1, 1, rows);
  }
}

int GfxCreateBuffers(HDC screen) {
  GfxReleaseDrawingContexts();
  BackgroundBuffer = CreateCompatibleBitmap(screen, OutputSize.width, OutputSize.height);
  if (!BackgroundBuffer) return 0;
  WorkBuffer = CreateCompatibleBitmap(screen, OutputSize.width, OutputSize.height);
  if (!WorkBuffer) return 0;
  // Both stay selected in the compositor's DCs until GfxReleaseDrawingContexts.
  const HDC backgroundDC = Select(&Held.background, BackgroundBuffer);
  const HDC workDC = Select(&Held.work, WorkBuffer);
  if (backgroundDC) {
    const RECT all = {0, 0, OutputSize.width, OutputSize.height};
    FillRect(backgroundDC, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    BlackBackground = BackgroundBuffer;
    if (workDC) {
      BitBlt(workDC, 0, 0, OutputSize.width, OutputSize.height, backgroundDC, 0, 0, SRCCOPY);
    }
  }
  return 1;
}

void GfxClipRect(SpriteRect* rect) {
  if (rect->x < 0) {
    rect->srcX -= rect->x;
    rect->width += rect->x;
    rect->x = 0;
  }
  if (rect->x + rect->width > OutputSize.width) rect->width = OutputSize.width - rect->x;
  if (rect->y < 0) {
    rect->srcY -= rect->y;
    rect->height += rect->y;
    rect->y = 0;
  }
  if (rect->y + rect->height > OutputSize.height) rect->height = OutputSize.height - rect->y;
}

void GfxSetPresentZoom(int32_t zoom) { PresentZoom = zoom < 1 ? 1 : zoom; }

int32_t GfxPresentZoom() { return PresentZoom; }

void GfxPresentRect(HDC target, int32_t x, int32_t y, int32_t width, int32_t height) {
  if (!WorkBuffer) return;
  BITMAP about = {};
  if (!GetObject(WorkBuffer, sizeof about, &about)) return;
  RECT rect = {x, y, x + width, y + height};
  const RECT whole = {0, 0, about.bmWidth, about.bmHeight};
  if (!IntersectRect(&rect, &rect, &whole)) return;
  const HDC work = Select(&Held.work, WorkBuffer);
  if (!work) return;
  // A palette changes what a copy between bitmaps of the device's own format gives only on a
  // palette device; elsewhere selecting and realising it, which costs more under Wine than the
  // copies of a whole frame, is left out.
  const bool paletteDevice = (GetDeviceCaps(target, RASTERCAPS) & RC_PALETTE) != 0;
  const HPALETTE previousPalette = paletteDevice ? GfxSelectPalette(target, SaverPalette) : nullptr;
  const int w = rect.right - rect.left, h = rect.bottom - rect.top;
  if (PresentZoom > 1) {
    // Every picture pixel a sharp zoom x zoom block.
    const int previousMode = SetStretchBltMode(target, COLORONCOLOR);
    StretchBlt(target, rect.left * PresentZoom, rect.top * PresentZoom, w * PresentZoom,
               h * PresentZoom, work, rect.left, rect.top, w, h, SRCCOPY);
    if (previousMode) SetStretchBltMode(target, previousMode);
  } else {
    BitBlt(target, rect.left, rect.top, w, h, work, rect.left, rect.top, SRCCOPY);
  }
  GfxPutPaletteBack(target, previousPalette);
}

void GfxReleaseDrawingContexts() {
  SelectBrushBack(&Held);
  const HBITMAP temporary = Held.temporary.held;
  Release(&Held.work);
  for (Holder& mask : Held.masks) Release(&mask);
  for (Holder& image : Held.images) Release(&image);
  Release(&Held.background);
  Release(&Held.temporary);
  if (temporary) DeleteObject(temporary);
  for (HBRUSH brush : Held.brushes) {
    if (brush) DeleteObject(brush);
  }
  Held = {};
  BlackBackground = nullptr;
}

void GfxBlankWorkBuffer() {
  const HDC backgroundDC = Select(&Held.background, BackgroundBuffer);
  const HDC workDC = Select(&Held.work, WorkBuffer);
  if (backgroundDC && workDC) {
    BitBlt(workDC, 0, 0, OutputSize.width, OutputSize.height, backgroundDC, 0, 0, SRCCOPY);
  }
}

void GfxRenderFrame(HWND window, const DrawEntry* entries) {
  ChangedCount = 0;
  for (int slot = 0; slot < kDrawListSlots && entries[slot].kind != DRAW_END; ++slot) {
    const DrawEntry& entry = entries[slot];
    if (!DrawEntryDrawn(entry)) continue;
    const int level = entry.level & 15;
    SpriteRect rect = {entry.x, entry.y, entry.srcX, entry.srcY, entry.width, entry.height};
    GfxClipRect(&rect);
    if (rect.width <= 0 || rect.height <= 0) continue;
    const int sheet = entry.sheet;
    switch (entry.kind) {
      case DRAW_OPAQUE:
        DrawOpaque(&Held, rect, sheet);
        break;
      case DRAW_MASKED:
        if (level == 0) {
          DrawMasked(&Held, rect, sheet);
        } else {
          DrawDithered(&Held, rect, sheet, level - 1);
        }
        break;
      case DRAW_SILHOUETTE:
        DrawSilhouette(&Held, rect, sheet);
        break;
      case DRAW_RESTORE:
        DrawRestore(&Held, rect, sheet);
        break;
    }
    NoteChanged(rect);
  }

  // Wine hands a window's drawing to the X server as the bounding box of everything drawn since
  // its last flush, which a look at an empty message queue makes: when that box would hold
  // many more pixels than the rectangles, say three sprites far apart, each rectangle is sent
  // on by itself.
  MergeChanged();
  RECT bounds = {};
  int64_t area = 0;
  for (int i = 0; i < ChangedCount; ++i) {
    UnionRect(&bounds, &bounds, &Changed[i]);
    area += Area(Changed[i]);
  }
  const bool flushEach = Area(bounds) - area > kFlushSavingPixels;
  for (int i = 0; i < ChangedCount; ++i) {
    const RECT& r = Changed[i];
    const HDC target = GetDC(window);
    GfxPresentRect(target, r.left, r.top, r.right - r.left, r.bottom - r.top);
    ReleaseDC(window, target);
    if (flushEach) GetQueueStatus(QS_ALLINPUT);
  }
}
