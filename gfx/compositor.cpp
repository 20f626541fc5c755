#include "gfx/compositor.h"

#include "core/runstate.h"

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

// The inverse of the pattern brush, destination and source not used.
constexpr DWORD kNotPatternRop = 0x000F0001;

// While GfxRenderFrame draws, the bitmaps stay selected in memory DCs of the frame, one DC per
// kind of bitmap, from one copy to the next; the DC's own bitmap goes back only when the frame
// ends. The pattern brushes and one temporary bitmap, grown when an entry needs a larger one,
// are made at their first use in the frame and deleted at its end.
enum FrameRole {
  kWorkRole,
  kMaskRole,
  kImageRole,
  kBackgroundRole,
  kTemporaryRole,
  kFrameRoleCount
};

struct FrameHolder {
  HDC dc;            // null when the frame has not needed it
  HGDIOBJ original;  // the DC's bitmap before ours, null while nothing of ours was selected
  HBITMAP held;      // our bitmap selected in it now
};

int32_t PresentZoom = 1;

HDC FrameWindowDC = nullptr;  // not null while a frame is drawn
FrameHolder FrameHolders[kFrameRoleCount] = {};
HBRUSH FrameBrushes[kDitherPatternCount] = {};
HBRUSH FrameSelectedBrush = nullptr;  // ours in FrameBrushDC, null when none
HDC FrameBrushDC = nullptr;
HGDIOBJ FrameOriginalBrush = nullptr;
HBITMAP FrameTemporary = nullptr;
int FrameTemporaryWidth = 0;
int FrameTemporaryHeight = 0;
int FrameBitsPerPixel = 0;  // of the window's device, 0 until a temporary bitmap is made
int FramePlanes = 0;

bool IsFrameDC(HDC dc) {
  if (!FrameWindowDC || !dc) return false;
  for (const FrameHolder& holder : FrameHolders) {
    if (holder.dc == dc) return true;
  }
  return false;
}

FrameRole RoleOf(HBITMAP bitmap) {
  if (bitmap == WorkBuffer) return kWorkRole;
  if (bitmap == BackgroundBuffer) return kBackgroundRole;
  if (bitmap == FrameTemporary) return kTemporaryRole;
  for (const SpriteSheet& sheet : SpriteSheets) {
    if (bitmap == sheet.mask) return kMaskRole;
  }
  return kImageRole;
}

// The frame's DC with `bitmap` selected, selecting it when it is not; null when it cannot be.
HDC FrameDC(HBITMAP bitmap) {
  if (!bitmap) return nullptr;
  for (const FrameHolder& holder : FrameHolders) {
    if (holder.dc && holder.held == bitmap) return holder.dc;
  }
  FrameHolder& holder = FrameHolders[RoleOf(bitmap)];
  if (!holder.dc) holder.dc = CreateCompatibleDC(FrameWindowDC);
  if (!holder.dc) return nullptr;
  const HGDIOBJ previous = SelectObject(holder.dc, bitmap);
  if (!previous) return nullptr;
  if (!holder.original) holder.original = previous;
  holder.held = bitmap;
  return holder.dc;
}

// The frame's brush of `pattern`, made at its first use; null when it cannot be.
HBRUSH FrameBrush(int pattern) {
  if (!FrameBrushes[pattern]) FrameBrushes[pattern] = CreatePatternBrush(DitherPatterns[pattern]);
  return FrameBrushes[pattern];
}

// The frame's temporary bitmap, at least width x height; null when it cannot be made.
HBITMAP FrameTemporaryOf(int width, int height) {
  if (FrameTemporary && width <= FrameTemporaryWidth && height <= FrameTemporaryHeight) {
    return FrameTemporary;
  }
  const int grownWidth = width > FrameTemporaryWidth ? width : FrameTemporaryWidth;
  const int grownHeight = height > FrameTemporaryHeight ? height : FrameTemporaryHeight;
  // The window's format, as CreateCompatibleBitmap gives it, with the device asked once a
  // frame.
  if (!FrameBitsPerPixel) {
    FrameBitsPerPixel = GetDeviceCaps(FrameWindowDC, BITSPIXEL);
    FramePlanes = GetDeviceCaps(FrameWindowDC, PLANES);
  }
  const HBITMAP grown =
      CreateBitmap(grownWidth, grownHeight, FramePlanes, FrameBitsPerPixel, nullptr);
  if (!grown) return nullptr;
  FrameHolder& holder = FrameHolders[kTemporaryRole];
  if (FrameTemporary && holder.held == FrameTemporary) {
    if (!SelectObject(holder.dc, grown)) {
      DeleteObject(grown);
      return nullptr;
    }
    holder.held = grown;
  }
  if (FrameTemporary) DeleteObject(FrameTemporary);
  FrameTemporary = grown;
  FrameTemporaryWidth = grownWidth;
  FrameTemporaryHeight = grownHeight;
  return FrameTemporary;
}

void BeginFrame(HDC windowDC) {
  FrameWindowDC = windowDC;
  for (FrameHolder& holder : FrameHolders) holder = {};
  FrameHolders[kWorkRole].dc = CreateCompatibleDC(windowDC);
  FrameHolders[kImageRole].dc = CreateCompatibleDC(windowDC);
}

// Gives every DC of the frame its own objects back, deletes the DCs and the brushes.
void EndFrame() {
  if (FrameSelectedBrush && FrameOriginalBrush) SelectObject(FrameBrushDC, FrameOriginalBrush);
  FrameSelectedBrush = nullptr;
  FrameBrushDC = nullptr;
  FrameOriginalBrush = nullptr;
  for (FrameHolder& holder : FrameHolders) {
    if (!holder.dc) continue;
    if (holder.original) SelectObject(holder.dc, holder.original);
    DeleteDC(holder.dc);
    holder = {};
  }
  if (FrameTemporary) DeleteObject(FrameTemporary);
  FrameTemporary = nullptr;
  FrameTemporaryWidth = FrameTemporaryHeight = 0;
  FrameBitsPerPixel = FramePlanes = 0;
  for (HBRUSH& brush : FrameBrushes) {
    if (brush) DeleteObject(brush);
    brush = nullptr;
  }
  FrameWindowDC = nullptr;
}

// Copies `rect` from `srcBitmap` to `dstBitmap` with `rop`, or with a null `srcBitmap` paints
// `rect` of `dstBitmap` with `brush` and `rop`, if the bitmaps and the brush could be selected.
// Through the frame's DCs when `dst` and `src` are two of them, else with every object selected
// for this copy only.
void Blit(HDC dst, HDC src, const SpriteRect* rect, HBITMAP dstBitmap, HBITMAP srcBitmap, DWORD rop,
          HBRUSH brush) {
  if (IsFrameDC(dst) && IsFrameDC(src)) {
    const HDC dstDC = FrameDC(dstBitmap);
    const HDC srcDC = srcBitmap ? FrameDC(srcBitmap) : nullptr;
    if (!dstDC || (srcBitmap && (!srcDC || srcDC == dstDC))) return;
    if (brush && (brush != FrameSelectedBrush || dstDC != FrameBrushDC)) {
      if (FrameSelectedBrush && FrameBrushDC != dstDC) {
        SelectObject(FrameBrushDC, FrameOriginalBrush);
        FrameSelectedBrush = nullptr;
      }
      const HGDIOBJ previous = SelectObject(dstDC, brush);
      if (!previous) return;
      if (!FrameSelectedBrush) FrameOriginalBrush = previous;
      FrameSelectedBrush = brush;
      FrameBrushDC = dstDC;
    }
    if (srcBitmap) {
      BitBlt(dstDC, rect->x, rect->y, rect->width, rect->height, srcDC, rect->srcX, rect->srcY,
             rop);
    } else {
      PatBlt(dstDC, rect->x, rect->y, rect->width, rect->height, rop);
    }
    return;
  }
  const HGDIOBJ previousDst = SelectObject(dst, dstBitmap);
  const HGDIOBJ previousSrc = srcBitmap ? SelectObject(src, srcBitmap) : nullptr;
  const HGDIOBJ previousBrush = brush ? SelectObject(dst, brush) : nullptr;
  if (previousDst && (!srcBitmap || previousSrc) && (!brush || previousBrush)) {
    if (srcBitmap) {
      BitBlt(dst, rect->x, rect->y, rect->width, rect->height, src, rect->srcX, rect->srcY, rop);
    } else {
      PatBlt(dst, rect->x, rect->y, rect->width, rect->height, rop);
    }
  }
  if (previousBrush) SelectObject(dst, previousBrush);
  if (previousSrc) SelectObject(src, previousSrc);
  if (previousDst) SelectObject(dst, previousDst);
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

void GfxSetPresentZoom(int32_t zoom) { PresentZoom = zoom < 1 ? 1 : zoom; }

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
    HPALETTE previousPalette = nullptr;
    if (SaverPalette) {
      previousPalette = SelectPalette(target, SaverPalette, FALSE);
      RealizePalette(target);
    }
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
    if (previousPalette) SelectPalette(target, previousPalette, FALSE);
    SelectObject(work, previousBitmap);
  }
  if (work) DeleteDC(work);
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

void GfxBlit(HDC dst, HDC src, const SpriteRect* rect, HBITMAP dstBitmap, HBITMAP srcBitmap,
             DWORD rop) {
  if (srcBitmap) Blit(dst, src, rect, dstBitmap, srcBitmap, rop, nullptr);
}

void GfxDrawOpaque(HDC dst, HDC src, const SpriteRect* rect, const SpriteSheet* sheet) {
  GfxBlit(dst, src, rect, WorkBuffer, sheet->image, SRCCOPY);
}

void GfxDrawMasked(HDC dst, HDC src, const SpriteRect* rect, const SpriteSheet* sheet) {
  GfxBlit(dst, src, rect, WorkBuffer, sheet->mask, SRCAND);
  GfxBlit(dst, src, rect, WorkBuffer, sheet->image, SRCPAINT);
}

void GfxDrawSilhouette(HDC dst, HDC src, const SpriteRect* rect, const SpriteSheet* sheet) {
  GfxBlit(dst, src, rect, WorkBuffer, sheet->mask, SRCAND);
}

void GfxDrawRestore(HDC, HDC dst, HDC src, const SpriteRect* rect, const SpriteSheet* sheet) {
  // With W the WorkBuffer, B the BackgroundBuffer and M the mask: ((W ^ B) & M) ^ B is W where
  // M is white and B where it is black.
  const SpriteRect background = {rect->x, rect->y, rect->x, rect->y, rect->width, rect->height};
  GfxBlit(dst, src, &background, WorkBuffer, BackgroundBuffer, SRCINVERT);
  GfxBlit(dst, src, rect, WorkBuffer, sheet->mask, SRCAND);
  GfxBlit(dst, src, &background, WorkBuffer, BackgroundBuffer, SRCINVERT);
}

void GfxDrawDithered(HDC window, HDC dst, HDC src, const SpriteRect* rect, const SpriteSheet* sheet,
                     int pattern) {
  // A monochrome pattern brush paints its 1-bits in the DC's background colour (white in a
  // fresh memory DC) and its 0-bits in the text colour (black). The temporary bitmap T is drawn
  // from (0, 0), the brush origin of a fresh DC, so the pattern is anchored at the rectangle's
  // corner.
  const SpriteRect toTemporary = {0, 0, rect->srcX, rect->srcY, rect->width, rect->height};
  const SpriteRect fromTemporary = {rect->x, rect->y, 0, 0, rect->width, rect->height};
  const bool inFrame = IsFrameDC(dst) && IsFrameDC(src);
  const HBITMAP temporary = inFrame ? FrameTemporaryOf(rect->width, rect->height)
                                    : CreateCompatibleBitmap(window, rect->width, rect->height);
  const HBRUSH brush = inFrame ? FrameBrush(pattern) : CreatePatternBrush(DitherPatterns[pattern]);
  if (temporary && brush) {
    // Cut a hole where the sprite and a 1-bit meet: T is black there, white elsewhere.
    Blit(dst, src, &toTemporary, temporary, nullptr, kNotPatternRop, brush);
    GfxBlit(dst, src, &toTemporary, temporary, sheet->mask, SRCPAINT);
    GfxBlit(dst, src, &fromTemporary, WorkBuffer, temporary, SRCAND);
    // Fill the hole with the image under the 1-bits (black outside the sprite adds nothing).
    Blit(dst, src, &toTemporary, temporary, nullptr, PATCOPY, brush);
    GfxBlit(dst, src, &toTemporary, temporary, sheet->image, SRCAND);
    GfxBlit(dst, src, &fromTemporary, WorkBuffer, temporary, SRCPAINT);
  }
  if (!inFrame && brush) DeleteObject(brush);
  if (!inFrame && temporary) DeleteObject(temporary);
}

void GfxRenderFrame(HWND window) {
  const HDC windowDC = GetDC(window);
  BeginFrame(windowDC);
  const HDC dst = FrameHolders[kWorkRole].dc;
  const HDC src = FrameHolders[kImageRole].dc;

  const DrawEntry* entries = DrawListEntries();
  for (int slot = 0; dst && src && slot < kDrawListSlots && entries[slot].kind != DRAW_END;
       ++slot) {
    const DrawEntry& entry = entries[slot];
    const int level = entry.level & 15;
    if (level >= kLevelCount || entry.sheet >= kSheetSlots) continue;
    SpriteRect rect = {entry.x, entry.y, entry.srcX, entry.srcY, entry.width, entry.height};
    GfxClipRect(&rect);
    if (rect.width <= 0 || rect.height <= 0) continue;
    const SpriteSheet* sheet = &SpriteSheets[entry.sheet];
    switch (entry.kind) {
      case DRAW_OPAQUE:
        GfxDrawOpaque(dst, src, &rect, sheet);
        break;
      case DRAW_MASKED:
        if (level == 0) {
          GfxDrawMasked(dst, src, &rect, sheet);
        } else {
          GfxDrawDithered(windowDC, dst, src, &rect, sheet, level - 1);
        }
        break;
      case DRAW_SILHOUETTE:
        GfxDrawSilhouette(dst, src, &rect, sheet);
        break;
      case DRAW_RESTORE:
        GfxDrawRestore(windowDC, dst, src, &rect, sheet);
        break;
      default:
        break;
    }
  }

  // The frame's DCs give the WorkBuffer back before the present selects it.
  EndFrame();
  GfxPresentRect(windowDC, 0, 0, OutputSize.width, OutputSize.height);
  ReleaseDC(window, windowDC);
}
