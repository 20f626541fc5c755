// Drawing a picture at an integer zoom: each picture pixel a sharp zoom x zoom block of window
// pixels, and the picture pixels a window's paint rectangle needs.
#pragma once

#include <windows.h>

#include <cstdint>

// Copies width x height picture pixels from (srcX, srcY) of `source` to (x, y) of `target`,
// both in picture pixels, at `zoom` (below 1 counts as 1): a plain copy at 1, above it a
// stretch in COLORONCOLOR mode, `target`'s previous stretch mode restored afterwards.
void GfxBlitZoomed(HDC target, int32_t x, int32_t y, int32_t width, int32_t height, HDC source,
                   int32_t srcX, int32_t srcY, int32_t zoom);

// The picture pixels that cover the window pixels of `paint` at `zoom`: its left and top
// rounded down, its right and bottom rounded up.
RECT GfxPictureRectOfPaint(const RECT& paint, int32_t zoom);
