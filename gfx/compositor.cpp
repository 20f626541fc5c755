#include "gfx/compositor.h"

#include "core/runstate.h"
#include "gfx/image.h"

namespace {

// Rows of the eight dither patterns, densest first; MSB is the leftmost pixel and a 1-bit
// marks a pixel that is drawn. Pattern n serves level n + 1.
constexpr BYTE kPatternRows[kDitherPatternCount][8] = {
    {0xFF, 0xFF, 0xFF, 0x77, 0xFF, 0xFF, 0xFF, 0x77},
    {0xFF, 0xDD, 0xFF, 0x77, 0xFF, 0xDD, 0xFF, 0x77},
    {0xFF, 0x55, 0xFF, 0x55, 0xFF, 0x55, 0xFF, 0x55},
    {0xEE, 0x55, 0xBB, 0x55, 0xEE, 0x55, 0xBB, 0x55},
    {0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55, 0xAA, 0x55},
    {0xAA, 0x44, 0xAA, 0x11, 0xAA, 0x44, 0xAA, 0x11},
    {0xAA, 0x00, 0xAA, 0x00, 0xAA, 0x00, 0xAA, 0x00},
    {0x88, 0x00, 0x22, 0x00, 0x88, 0x00, 0x22, 0x00},
};

constexpr int kLevelCount = 9;  // 0 full, 1 to 8 dithered

// NOT P, with the pattern brush P white at its 1-bits (a fresh memory DC's background colour)
// and black at its 0-bits; destination and source not used.
constexpr DWORD kNotPatternRop = 0x000F0001;

// A memory DC of the frame and the bitmap of ours it holds. A bitmap is selected only when it
// differs from the one held; the DC's own bitmap goes back when the frame ends.
struct Holder {
  HDC dc;
  HGDIOBJ original;  // the DC's own bitmap, null while nothing of ours was selected
  HBITMAP held;
};

// One frame's drawing state: the WorkBuffer is drawn into through `work`, the sheets are read
// through `mask` and `image` and the BackgroundBuffer through `background`.
struct Frame {
  HDC window;
  Holder work;
  Holder mask;
  Holder image;
  Holder background;
  Holder temporary;
  int temporaryWidth;
  int temporaryHeight;
  HBRUSH brushes[kDitherPatternCount];  // made at their first use in the frame
  HGDIOBJ temporaryOriginalBrush;       // null while no brush of ours is selected
};

// The zoom of the present, 1 or more.
int32_t PresentZoom = 1;

// The rectangles the frame changed, in picture pixels, merged before they are presented.
constexpr int kMaxChanged = kDrawListSlots;
RECT Changed[kMaxChanged];
int ChangedCount = 0;

// `holder`'s DC with `bitmap` selected, selecting it when another is held; null when it
// cannot be.
HDC Select(Frame* frame, Holder* holder, HBITMAP bitmap) {
  if (!bitmap) return nullptr;
  if (holder->held == bitmap) return holder->dc;
  if (!holder->dc) holder->dc = CreateCompatibleDC(frame->window);
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

void EndFrame(Frame* frame) {
  if (frame->temporaryOriginalBrush) {
    SelectObject(frame->temporary.dc, frame->temporaryOriginalBrush);
  }
  const HBITMAP temporary = frame->temporary.held;
  Release(&frame->work);
  Release(&frame->mask);
  Release(&frame->image);
  Release(&frame->background);
  Release(&frame->temporary);
  if (temporary) DeleteObject(temporary);
  for (HBRUSH brush : frame->brushes) {
    if (brush) DeleteObject(brush);
  }
}

// Copies `rect` from (srcX, srcY) of `source`, selected through `holder`, to (x, y) of `to`
// with `rop`; false when the source cannot be selected.
bool BlitInto(Frame* frame, HDC to, const SpriteRect& rect, Holder* holder, HBITMAP source,
              DWORD rop) {
  const HDC from = Select(frame, holder, source);
  if (!from) return false;
  BitBlt(to, rect.x, rect.y, rect.width, rect.height, from, rect.srcX, rect.srcY, rop);
  return true;
}

// The same into the WorkBuffer; nothing when either bitmap cannot be selected.
void Blit(Frame* frame, const SpriteRect& rect, Holder* holder, HBITMAP source, DWORD rop) {
  const HDC work = Select(frame, &frame->work, WorkBuffer);
  if (work) BlitInto(frame, work, rect, holder, source, rop);
}

// The frame's temporary bitmap, at least width x height, selected in its own DC, whose brush
// origin stays at (0, 0); null when it cannot be made.
HDC Temporary(Frame* frame, int width, int height) {
  Holder& holder = frame->temporary;
  if (holder.held && width <= frame->temporaryWidth && height <= frame->temporaryHeight) {
    return holder.dc;
  }
  const int grownWidth = width > frame->temporaryWidth ? width : frame->temporaryWidth;
  const int grownHeight = height > frame->temporaryHeight ? height : frame->temporaryHeight;
  // The window's format, as CreateCompatibleBitmap would give it, without asking the window's
  // device for a bitmap.
  const HBITMAP grown = CreateBitmap(grownWidth, grownHeight, GetDeviceCaps(frame->window, PLANES),
                                     GetDeviceCaps(frame->window, BITSPIXEL), nullptr);
  if (!grown) return nullptr;
  const HBITMAP old = holder.held;
  if (!Select(frame, &holder, grown)) {
    DeleteObject(grown);
    return nullptr;
  }
  if (old) DeleteObject(old);
  frame->temporaryWidth = grownWidth;
  frame->temporaryHeight = grownHeight;
  return holder.dc;
}

// Selects the brush of `pattern` into the temporary bitmap's DC; false when it cannot be.
bool SelectPattern(Frame* frame, int pattern) {
  HBRUSH& brush = frame->brushes[pattern];
  if (!brush) brush = CreatePatternBrush(DitherPatterns[pattern]);
  if (!brush) return false;
  const HGDIOBJ previous = SelectObject(frame->temporary.dc, brush);
  if (!previous) return false;
  if (!frame->temporaryOriginalBrush) frame->temporaryOriginalBrush = previous;
  return true;
}

void DrawOpaque(Frame* frame, const SpriteRect& rect, const SpriteSheet& sheet) {
  Blit(frame, rect, &frame->image, sheet.image, SRCCOPY);
}

void DrawMasked(Frame* frame, const SpriteRect& rect, const SpriteSheet& sheet) {
  Blit(frame, rect, &frame->mask, sheet.mask, SRCAND);
  Blit(frame, rect, &frame->image, sheet.image, SRCPAINT);
}

void DrawSilhouette(Frame* frame, const SpriteRect& rect, const SpriteSheet& sheet) {
  Blit(frame, rect, &frame->mask, sheet.mask, SRCAND);
}

void DrawRestore(Frame* frame, const SpriteRect& rect, const SpriteSheet& sheet) {
  // With W the WorkBuffer, B the BackgroundBuffer and M the mask: ((W ^ B) & M) ^ B is W where
  // M is white and B where it is black.
  const SpriteRect background = {rect.x, rect.y, rect.x, rect.y, rect.width, rect.height};
  Blit(frame, background, &frame->background, BackgroundBuffer, SRCINVERT);
  Blit(frame, rect, &frame->mask, sheet.mask, SRCAND);
  Blit(frame, background, &frame->background, BackgroundBuffer, SRCINVERT);
}

// The image within the mask's shape where the pattern has a 1-bit, the pattern anchored at
// the rectangle's corner. The pattern is painted into the temporary bitmap T from (0, 0),
// where a fresh DC's brush starts; painting it alone keeps clear of ternary operations, whose
// pattern alignment differs between GDI implementations.
void DrawDithered(Frame* frame, const SpriteRect& rect, const SpriteSheet& sheet, int pattern) {
  const HDC temporary = Temporary(frame, rect.width, rect.height);
  if (!temporary || !SelectPattern(frame, pattern)) return;
  const SpriteRect toTemporary = {0, 0, rect.srcX, rect.srcY, rect.width, rect.height};
  const SpriteRect fromTemporary = {rect.x, rect.y, 0, 0, rect.width, rect.height};
  const HBITMAP t = frame->temporary.held;
  // T = NOT P OR M: black exactly where the sprite meets a 1-bit; the WorkBuffer is cut there.
  PatBlt(temporary, 0, 0, rect.width, rect.height, kNotPatternRop);
  if (!BlitInto(frame, temporary, toTemporary, &frame->mask, sheet.mask, SRCPAINT)) return;
  Blit(frame, fromTemporary, &frame->temporary, t, SRCAND);
  // T = I AND NOT T: the image under the 1-bits (it is black outside the sprite); added.
  if (!BlitInto(frame, temporary, toTemporary, &frame->image, sheet.image, SRCERASE)) return;
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
    for (int r = 0; r < 8; ++r) rows[r] = kPatternRows[p][r];
    DitherPatterns[p] = CreateBitmap(8, 8, 1, 1, rows);
  }
}

int GfxCreateBuffers(HDC screen) {
  BackgroundBuffer = CreateCompatibleBitmap(screen, OutputSize.width, OutputSize.height);
  if (!BackgroundBuffer) return 0;
  WorkBuffer = CreateCompatibleBitmap(screen, OutputSize.width, OutputSize.height);
  if (!WorkBuffer) return 0;
  const HDC backgroundDC = CreateCompatibleDC(screen);
  const HDC workDC = CreateCompatibleDC(screen);
  const HGDIOBJ previousBackground = SelectObject(backgroundDC, BackgroundBuffer);
  const HGDIOBJ previousWork = SelectObject(workDC, WorkBuffer);
  if (previousBackground) {
    const RECT all = {0, 0, OutputSize.width, OutputSize.height};
    FillRect(backgroundDC, &all, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    if (previousWork) {
      BitBlt(workDC, 0, 0, OutputSize.width, OutputSize.height, backgroundDC, 0, 0, SRCCOPY);
    }
  }
  if (previousWork) SelectObject(workDC, previousWork);
  if (previousBackground) SelectObject(backgroundDC, previousBackground);
  DeleteDC(workDC);
  DeleteDC(backgroundDC);
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
  const HDC work = CreateCompatibleDC(target);
  const HGDIOBJ previousBitmap = work ? SelectObject(work, WorkBuffer) : nullptr;
  if (previousBitmap) {
    const HPALETTE previousPalette = GfxSelectPalette(target, SaverPalette);
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
    SelectObject(work, previousBitmap);
  }
  if (work) DeleteDC(work);
}

void GfxRenderFrame(HWND window) {
  const HDC windowDC = GetDC(window);
  Frame frame = {};
  frame.window = windowDC;
  ChangedCount = 0;

  const DrawEntry* entries = DrawListEntries();
  for (int slot = 0; slot < kDrawListSlots && entries[slot].kind != DRAW_END; ++slot) {
    const DrawEntry& entry = entries[slot];
    const int level = entry.level & 15;
    if (level >= kLevelCount || entry.sheet >= kSheetSlots) continue;
    SpriteRect rect = {entry.x, entry.y, entry.srcX, entry.srcY, entry.width, entry.height};
    GfxClipRect(&rect);
    if (rect.width <= 0 || rect.height <= 0) continue;
    const SpriteSheet& sheet = SpriteSheets[entry.sheet];
    switch (entry.kind) {
      case DRAW_OPAQUE:
        DrawOpaque(&frame, rect, sheet);
        break;
      case DRAW_MASKED:
        if (level == 0) {
          DrawMasked(&frame, rect, sheet);
        } else {
          DrawDithered(&frame, rect, sheet, level - 1);
        }
        break;
      case DRAW_SILHOUETTE:
        DrawSilhouette(&frame, rect, sheet);
        break;
      case DRAW_RESTORE:
        DrawRestore(&frame, rect, sheet);
        break;
      default:
        continue;
    }
    NoteChanged(rect);
  }
  // The WorkBuffer leaves the frame's DC before it is presented from another.
  EndFrame(&frame);
  ReleaseDC(window, windowDC);

  // Each rectangle through a device context of its own: a window system may send on, when the
  // context is released, the bounding box of everything drawn through it.
  MergeChanged();
  for (int i = 0; i < ChangedCount; ++i) {
    const RECT& r = Changed[i];
    const HDC target = GetDC(window);
    GfxPresentRect(target, r.left, r.top, r.right - r.left, r.bottom - r.top);
    ReleaseDC(window, target);
  }
}
