#include "windows/gdi/compositor.h"

#include "res/resource_ids.h"
#include "show/dither_patterns.h"
#include "windows/gdi/image.h"
#include "windows/gdi/zoom_blit.h"

namespace {

// NOT P, with the pattern brush P white at its 1-bits (a fresh memory DC's background colour)
// and black at its 0-bits; destination and source not used.
constexpr DWORD kNotPatternRop = 0x000F0001;

// The rectangles a frame changed, in picture pixels, merged before they are presented.
constexpr int kMaxChanged = kDrawListSlots;
struct ChangedRects {
  RECT rects[kMaxChanged];
  int count;
};

// Pixels a separate hand-over of each presented rectangle must save to be worth its cost.
constexpr int64_t kFlushSavingPixels = 512 * 512;

// `holder`'s DC with `bitmap` selected, selecting it when another is held; null when it
// cannot be.
HDC Select(GfxHolder* holder, HBITMAP bitmap) {
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

void Release(GfxHolder* holder) {
  if (!holder->dc) return;
  if (holder->original) SelectObject(holder->dc, holder->original);
  DeleteDC(holder->dc);
  *holder = {};
}

// Copies `rect` from (srcX, srcY) of `source`, selected through `holder`, to (x, y) of `to`
// with `rop`; false when the source cannot be selected.
bool BlitInto(HDC to, const SpriteRect& rect, GfxHolder* holder, HBITMAP source, DWORD rop) {
  const HDC from = Select(holder, source);
  if (!from) return false;
  BitBlt(to, rect.x, rect.y, rect.width, rect.height, from, rect.srcX, rect.srcY, rop);
  return true;
}

// The same into the WorkBuffer; nothing when either bitmap cannot be selected.
void Blit(Graphics& g, const SpriteRect& rect, GfxHolder* holder, HBITMAP source, DWORD rop) {
  const HDC work = Select(&g.contexts.work, g.WorkBuffer);
  if (work) BlitInto(work, rect, holder, source, rop);
}

// Gives the temporary bitmap's DC its own brush back.
void SelectBrushBack(GfxContexts* frame) {
  if (!frame->temporaryOriginalBrush) return;
  SelectObject(frame->temporary.dc, frame->temporaryOriginalBrush);
  frame->temporaryOriginalBrush = nullptr;
}

// The temporary bitmap, at least width x height, selected in its own DC, whose brush origin
// stays at (0, 0); null when it cannot be made.
HDC Temporary(Graphics& g, int width, int height) {
  GfxContexts* frame = &g.contexts;
  GfxHolder& holder = frame->temporary;
  if (holder.held && width <= frame->temporaryWidth && height <= frame->temporaryHeight) {
    return holder.dc;
  }
  const int grownWidth = width > frame->temporaryWidth ? width : frame->temporaryWidth;
  const int grownHeight = height > frame->temporaryHeight ? height : frame->temporaryHeight;
  // The WorkBuffer's format, which every blit into it reads.
  BITMAP work = {};
  if (!GetObject(g.WorkBuffer, sizeof work, &work)) return nullptr;
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
bool SelectPattern(Graphics& g, int pattern) {
  GfxContexts* frame = &g.contexts;
  const HBITMAP* DitherPatterns = g.DitherPatterns;
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

void DrawOpaque(Graphics& g, const SpriteRect& rect, int slot) {
  GfxContexts* frame = &g.contexts;
  Blit(g, rect, &frame->images[slot], g.SpriteSheets[slot].image, SRCCOPY);
}

void DrawMasked(Graphics& g, const SpriteRect& rect, int slot) {
  GfxContexts* frame = &g.contexts;
  Blit(g, rect, &frame->masks[slot], g.SpriteSheets[slot].mask, SRCAND);
  Blit(g, rect, &frame->images[slot], g.SpriteSheets[slot].image, SRCPAINT);
}

void DrawSilhouette(Graphics& g, const SpriteRect& rect, int slot) {
  GfxContexts* frame = &g.contexts;
  Blit(g, rect, &frame->masks[slot], g.SpriteSheets[slot].mask, SRCAND);
}

void DrawRestore(Graphics& g, const SpriteRect& rect, int slot) {
  GfxContexts* frame = &g.contexts;
  // Over a black background, putting it back in the mask's shape is blackening that shape.
  if (g.BackgroundBuffer && g.BackgroundBuffer == g.blackBackground) {
    Blit(g, rect, &frame->masks[slot], g.SpriteSheets[slot].mask, SRCAND);
    return;
  }
  // With W the WorkBuffer, B the BackgroundBuffer and M the mask: ((W ^ B) & M) ^ B is W where
  // M is white and B where it is black.
  const SpriteRect background = {rect.x, rect.y, rect.x, rect.y, rect.width, rect.height};
  Blit(g, background, &frame->background, g.BackgroundBuffer, SRCINVERT);
  Blit(g, rect, &frame->masks[slot], g.SpriteSheets[slot].mask, SRCAND);
  Blit(g, background, &frame->background, g.BackgroundBuffer, SRCINVERT);
}

// The image within the mask's shape where the pattern has a 1-bit, the pattern anchored at
// the rectangle's corner. The pattern is painted into the temporary bitmap T from (0, 0),
// where a fresh DC's brush starts; painting it alone keeps clear of ternary operations, whose
// pattern alignment differs between GDI implementations.
void DrawDithered(Graphics& g, const SpriteRect& rect, int slot, int pattern) {
  GfxContexts* frame = &g.contexts;
  const HDC temporary = Temporary(g, rect.width, rect.height);
  if (!temporary || !SelectPattern(g, pattern)) return;
  const SpriteRect toTemporary = {0, 0, rect.srcX, rect.srcY, rect.width, rect.height};
  const SpriteRect fromTemporary = {rect.x, rect.y, 0, 0, rect.width, rect.height};
  const HBITMAP t = frame->temporary.held;
  // T = NOT P OR M: black exactly where the sprite meets a 1-bit; the WorkBuffer is cut there.
  PatBlt(temporary, 0, 0, rect.width, rect.height, kNotPatternRop);
  if (!BlitInto(temporary, toTemporary, &frame->masks[slot], g.SpriteSheets[slot].mask, SRCPAINT))
    return;
  Blit(g, fromTemporary, &frame->temporary, t, SRCAND);
  // T = I AND NOT T: the image under the 1-bits (it is black outside the sprite); added.
  if (!BlitInto(temporary, toTemporary, &frame->images[slot], g.SpriteSheets[slot].image, SRCERASE))
    return;
  Blit(g, fromTemporary, &frame->temporary, t, SRCPAINT);
}

void NoteChanged(ChangedRects& changed, const SpriteRect& rect) {
  if (changed.count >= kMaxChanged) return;
  changed.rects[changed.count++] = {rect.x, rect.y, rect.x + rect.width, rect.y + rect.height};
}

int64_t Area(const RECT& r) { return int64_t(r.right - r.left) * (r.bottom - r.top); }

// Joins two changed rectangles into their bounding rectangle wherever that is no larger than
// the two apart, until no such pair is left.
void MergeChanged(ChangedRects& changed) {
  bool merged = true;
  while (merged) {
    merged = false;
    for (int i = 0; i < changed.count && !merged; ++i) {
      for (int j = i + 1; j < changed.count && !merged; ++j) {
        RECT both;
        UnionRect(&both, &changed.rects[i], &changed.rects[j]);
        if (Area(both) > Area(changed.rects[i]) + Area(changed.rects[j])) continue;
        changed.rects[i] = both;
        changed.rects[j] = changed.rects[--changed.count];
        merged = true;
      }
    }
  }
}

void DeleteObjectOnce(HBITMAP* object) {
  if (*object != nullptr) DeleteObject(*object);
  *object = nullptr;
}

}  // namespace

int GfxSetUpGraphics(Graphics& graphics, HWND paletteWindow, HDC context, Size2 output,
                     int32_t scale) {
  graphics.OutputSize = output;
  graphics.paletteWindow = paletteWindow;
  if (!GfxLoadPictures(context, kSheetResources, kSheetCount, &graphics.SaverPalette,
                       &graphics.previousPalette, graphics.SpriteSheets, scale)) {
    return 0;
  }
  GfxCreatePatterns(graphics);
  return GfxCreateBuffers(graphics, context);
}

void GfxDeleteGraphics(Graphics& graphics) {
  GfxReleaseDrawingContexts(graphics);
  DeleteObjectOnce(&graphics.BackgroundBuffer);
  DeleteObjectOnce(&graphics.WorkBuffer);
  for (SpriteSheet& sheet : graphics.SpriteSheets) {
    DeleteObjectOnce(&sheet.image);
    DeleteObjectOnce(&sheet.mask);
  }
  for (HBITMAP& pattern : graphics.DitherPatterns) DeleteObjectOnce(&pattern);
  GfxRestorePalette(graphics.paletteWindow, graphics.previousPalette, &graphics.SaverPalette);
  graphics.previousPalette = nullptr;
}

void GfxCreatePatterns(Graphics& graphics) {
  for (int p = 0; p < kDitherPatternCount; ++p) {
    WORD rows[8];
    for (int r = 0; r < 8; ++r) rows[r] = kDitherPatternRows[p][r];
    graphics.DitherPatterns[p] = CreateBitmap(8, 8, 1, 1, rows);
  }
}

int GfxCreateBuffers(Graphics& graphics, HDC screen) {
  GfxReleaseDrawingContexts(graphics);
  const Size2 output = graphics.OutputSize;
  graphics.BackgroundBuffer = CreateCompatibleBitmap(screen, output.width, output.height);
  if (!graphics.BackgroundBuffer) return 0;
  graphics.WorkBuffer = CreateCompatibleBitmap(screen, output.width, output.height);
  if (!graphics.WorkBuffer) return 0;
  // Both stay selected in the compositor's DCs until GfxReleaseDrawingContexts.
  const HDC backgroundDC = Select(&graphics.contexts.background, graphics.BackgroundBuffer);
  const HDC workDC = Select(&graphics.contexts.work, graphics.WorkBuffer);
  if (backgroundDC) {
    const RECT all = {0, 0, output.width, output.height};
    FillRect(backgroundDC, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    graphics.blackBackground = graphics.BackgroundBuffer;
    if (workDC) BitBlt(workDC, 0, 0, output.width, output.height, backgroundDC, 0, 0, SRCCOPY);
  }
  return 1;
}

void GfxPresentRect(Graphics& graphics, HDC target, int32_t x, int32_t y, int32_t width,
                    int32_t height, int32_t zoom) {
  if (!graphics.WorkBuffer) return;
  BITMAP about = {};
  if (!GetObject(graphics.WorkBuffer, sizeof about, &about)) return;
  RECT rect = {x, y, x + width, y + height};
  const RECT whole = {0, 0, about.bmWidth, about.bmHeight};
  if (!IntersectRect(&rect, &rect, &whole)) return;
  const HDC work = Select(&graphics.contexts.work, graphics.WorkBuffer);
  if (!work) return;
  // A palette changes what a copy between bitmaps of the device's own format gives only on a
  // palette device; elsewhere selecting and realising it, which costs more under Wine than the
  // copies of a whole frame, is left out.
  const bool paletteDevice = (GetDeviceCaps(target, RASTERCAPS) & RC_PALETTE) != 0;
  const HPALETTE previousPalette =
      paletteDevice ? GfxSelectPalette(target, graphics.SaverPalette) : nullptr;
  GfxBlitZoomed(target, rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, work,
                rect.left, rect.top, zoom);
  GfxPutPaletteBack(target, previousPalette);
}

void GfxReleaseDrawingContexts(Graphics& graphics) {
  GfxContexts& held = graphics.contexts;
  SelectBrushBack(&held);
  const HBITMAP temporary = held.temporary.held;
  Release(&held.work);
  for (GfxHolder& mask : held.masks) Release(&mask);
  for (GfxHolder& image : held.images) Release(&image);
  Release(&held.background);
  Release(&held.temporary);
  if (temporary) DeleteObject(temporary);
  for (HBRUSH brush : held.brushes) {
    if (brush) DeleteObject(brush);
  }
  held = {};
  graphics.blackBackground = nullptr;
}

void GfxBlankWorkBuffer(Graphics& graphics) {
  GfxContexts& held = graphics.contexts;
  const HDC backgroundDC = Select(&held.background, graphics.BackgroundBuffer);
  const HDC workDC = Select(&held.work, graphics.WorkBuffer);
  if (backgroundDC && workDC) {
    BitBlt(workDC, 0, 0, graphics.OutputSize.width, graphics.OutputSize.height, backgroundDC, 0, 0,
           SRCCOPY);
  }
}

void GfxRenderFrame(Graphics& graphics, HWND window, const DrawEntry* entries, int32_t zoom) {
  ChangedRects changed;
  changed.count = 0;
  for (int slot = 0; slot < kDrawListSlots && entries[slot].kind != DRAW_END; ++slot) {
    const DrawEntry& entry = entries[slot];
    if (!DrawEntryDrawn(entry)) continue;
    const int level = entry.level & 15;
    SpriteRect rect = {entry.x, entry.y, entry.srcX, entry.srcY, entry.width, entry.height};
    if (!ClipSpriteRect(rect, graphics.OutputSize.width, graphics.OutputSize.height)) continue;
    const int sheet = entry.sheet;
    switch (entry.kind) {
      case DRAW_OPAQUE:
        DrawOpaque(graphics, rect, sheet);
        break;
      case DRAW_MASKED:
        if (level == 0) {
          DrawMasked(graphics, rect, sheet);
        } else {
          DrawDithered(graphics, rect, sheet, level - 1);
        }
        break;
      case DRAW_SILHOUETTE:
        DrawSilhouette(graphics, rect, sheet);
        break;
      case DRAW_RESTORE:
        DrawRestore(graphics, rect, sheet);
        break;
    }
    NoteChanged(changed, rect);
  }

  // Wine hands a window's drawing to the X server as the bounding box of everything drawn since
  // its last flush, which a look at an empty message queue makes: when that box would hold
  // many more pixels than the rectangles, say three sprites far apart, each rectangle is sent
  // on by itself.
  MergeChanged(changed);
  RECT bounds = {};
  int64_t area = 0;
  for (int i = 0; i < changed.count; ++i) {
    UnionRect(&bounds, &bounds, &changed.rects[i]);
    area += Area(changed.rects[i]);
  }
  const bool flushEach = Area(bounds) - area > kFlushSavingPixels;
  for (int i = 0; i < changed.count; ++i) {
    const RECT& r = changed.rects[i];
    const HDC target = GetDC(window);
    GfxPresentRect(graphics, target, r.left, r.top, r.right - r.left, r.bottom - r.top, zoom);
    ReleaseDC(window, target);
    if (flushEach) GetQueueStatus(QS_ALLINPUT);
  }
}
