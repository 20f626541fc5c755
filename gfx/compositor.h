// The frame compositor: dither patterns, off-screen buffers, and drawing the DrawList into
// the WorkBuffer and onto the window.
#pragma once

#include <windows.h>

#include "gfx/drawlist.h"
#include "gfx/graphics.h"

// Creates the eight DitherPatterns in table order.
void GfxCreatePatterns();
// Creates the BackgroundBuffer and WorkBuffer of OutputSize, black; 1, or 0 on failure.
int GfxCreateBuffers(HDC screen);
// Draws the finished DrawList into the WorkBuffer and copies it to the window.
void GfxRenderFrame(HWND window);
// Copies a rectangle of the WorkBuffer, in picture pixels, to (x, y) of `target` with the
// SaverPalette selected and realised, then restored; scaled by the present zoom.
void GfxPresentRect(HDC target, int32_t x, int32_t y, int32_t width, int32_t height);
// The zoom of the present: each picture pixel becomes a sharp zoom x zoom block (StretchBlt,
// COLORONCOLOR); 1, the plain copy, unless set.
void GfxSetPresentZoom(int32_t zoom);
// Clips a rectangle to the output (0, 0, OutputSize) in place.
void GfxClipRect(SpriteRect* rect);

// The drawing steps of one entry. `dst` and `src` are memory DCs with nothing of ours selected,
// and each step selects its objects only for the length of one copy; or they are DCs of the
// frame GfxRenderFrame draws, which keeps each bitmap selected from one copy to the next and
// gives the DCs their own objects back at the frame's end. `rect` is already clipped and not
// empty; the WorkBuffer and BackgroundBuffer are addressed at (x, y), the sheet at (srcX, srcY).

// Copies width x height from (srcX, srcY) of `srcBitmap` to (x, y) of `dstBitmap` with `rop`,
// if both bitmaps could be selected.
void GfxBlit(HDC dst, HDC src, const SpriteRect* rect, HBITMAP dstBitmap, HBITMAP srcBitmap,
             DWORD rop);
// The whole rectangle of the image, mask ignored.
void GfxDrawOpaque(HDC dst, HDC src, const SpriteRect* rect, const SpriteSheet* sheet);
// The image within the mask's shape.
void GfxDrawMasked(HDC dst, HDC src, const SpriteRect* rect, const SpriteSheet* sheet);
// Black within the mask's shape.
void GfxDrawSilhouette(HDC dst, HDC src, const SpriteRect* rect, const SpriteSheet* sheet);
// The BackgroundBuffer within the mask's shape. `window` is not used.
void GfxDrawRestore(HDC window, HDC dst, HDC src, const SpriteRect* rect, const SpriteSheet* sheet);
// The image within the mask's shape where DitherPatterns[pattern] has a 1-bit, the pattern
// anchored at (x, y). `window` is the DC a temporary bitmap is made compatible with.
void GfxDrawDithered(HDC window, HDC dst, HDC src, const SpriteRect* rect, const SpriteSheet* sheet,
                     int pattern);
