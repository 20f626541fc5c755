#include "gfx/compositor.h"

#include "app/runstate.h"

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

// Fills all of `bitmap` with `brush`, then inverts it when asked, through the memory DC `dc`.
void FillTemporary(HDC dc, HBITMAP bitmap, HBRUSH brush, int width, int height, bool invert) {
  const HGDIOBJ previous = SelectObject(dc, bitmap);
  if (!previous) return;
  const RECT all = {0, 0, width, height};
  FillRect(dc, &all, brush);
  if (invert) BitBlt(dc, 0, 0, width, height, nullptr, 0, 0, DSTINVERT);
  SelectObject(dc, previous);
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

void GfxBlit(HDC dst, HDC src, const SpriteRect* rect, HBITMAP dstBitmap, HBITMAP srcBitmap,
             DWORD rop) {
  const HGDIOBJ previousDst = SelectObject(dst, dstBitmap);
  const HGDIOBJ previousSrc = SelectObject(src, srcBitmap);
  if (previousDst && previousSrc) {
    BitBlt(dst, rect->x, rect->y, rect->width, rect->height, src, rect->srcX, rect->srcY, rop);
  }
  if (previousSrc) SelectObject(src, previousSrc);
  if (previousDst) SelectObject(dst, previousDst);
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

void GfxDrawRestore(HDC window, HDC dst, HDC src, const SpriteRect* rect,
                    const SpriteSheet* sheet) {
  // The temporary bitmap T holds the background cut to the sprite's shape, black elsewhere.
  const SpriteRect toTemporary = {0, 0, rect->srcX, rect->srcY, rect->width, rect->height};
  const SpriteRect backgroundToTemporary = {0, 0, rect->x, rect->y, rect->width, rect->height};
  const SpriteRect fromTemporary = {rect->x, rect->y, 0, 0, rect->width, rect->height};
  GfxBlit(dst, src, rect, WorkBuffer, sheet->mask, SRCAND);
  const HBITMAP temporary = CreateCompatibleBitmap(window, rect->width, rect->height);
  GfxBlit(dst, src, &toTemporary, temporary, sheet->mask, SRCCOPY);
  GfxBlit(dst, src, &backgroundToTemporary, temporary, BackgroundBuffer, SRCERASE);
  GfxBlit(dst, src, &fromTemporary, WorkBuffer, temporary, SRCPAINT);
  DeleteObject(temporary);
}

void GfxDrawDithered(HDC window, HDC dst, HDC src, const SpriteRect* rect, const SpriteSheet* sheet,
                     int pattern) {
  // A monochrome pattern brush paints its 1-bits in the DC's background colour (white in a
  // fresh memory DC) and its 0-bits in the text colour (black). The temporary bitmap T starts
  // at (0, 0), so the pattern is anchored at the rectangle's corner.
  const SpriteRect toTemporary = {0, 0, rect->srcX, rect->srcY, rect->width, rect->height};
  const SpriteRect fromTemporary = {rect->x, rect->y, 0, 0, rect->width, rect->height};
  const HBITMAP temporary = CreateCompatibleBitmap(window, rect->width, rect->height);
  const HBRUSH brush = CreatePatternBrush(DitherPatterns[pattern]);
  UnrealizeObject(brush);
  // Cut a hole where the sprite and a 1-bit meet: T is black there, white elsewhere.
  FillTemporary(dst, temporary, brush, rect->width, rect->height, true);
  GfxBlit(dst, src, &toTemporary, temporary, sheet->mask, SRCPAINT);
  GfxBlit(dst, src, &fromTemporary, WorkBuffer, temporary, SRCAND);
  // Fill the hole with the image under the 1-bits (black outside the sprite adds nothing).
  FillTemporary(dst, temporary, brush, rect->width, rect->height, false);
  GfxBlit(dst, src, &toTemporary, temporary, sheet->image, SRCAND);
  GfxBlit(dst, src, &fromTemporary, WorkBuffer, temporary, SRCPAINT);
  DeleteObject(brush);
  DeleteObject(temporary);
}

void GfxRenderFrame(HWND window) {
  const HDC windowDC = GetDC(window);
  const HDC dst = CreateCompatibleDC(windowDC);
  const HDC src = CreateCompatibleDC(windowDC);

  const DrawEntry* entries = DrawListEntries();
  for (int slot = 0; slot < kDrawListSlots && entries[slot].kind != DRAW_END; ++slot) {
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

  const HGDIOBJ previousBitmap = SelectObject(src, WorkBuffer);
  HPALETTE previousPalette = nullptr;
  if (SaverPalette) {
    previousPalette = SelectPalette(windowDC, SaverPalette, FALSE);
    RealizePalette(windowDC);
  }
  if (previousBitmap) {
    BitBlt(windowDC, 0, 0, OutputSize.width, OutputSize.height, src, 0, 0, SRCCOPY);
    SelectObject(src, previousBitmap);
  }
  if (previousPalette) SelectPalette(windowDC, previousPalette, FALSE);

  DeleteDC(src);
  DeleteDC(dst);
  ReleaseDC(window, windowDC);
}
