// The integer zoom of a high-DPI screen. Platform-free.
#pragma once

#include <cstdint>

// The screen's DPI rounded to whole multiples of 96, at least 1: 96 and 120 give 1, 144 to 239
// give 2, 240 gives 3. Every picture pixel is then drawn as a sharp zoom x zoom block.
int32_t ZoomForDpi(int32_t dpi);

// The largest zoom there is, the one the highest DPI gives.
constexpr int32_t kLargestZoom = 64;

// The zoom at which a width x height screen's picture holds at most `maxPixels` pixels: `zoom`
// itself (at least 1) when it does, else the next larger one that does, up to kLargestZoom.
int32_t ZoomToFit(int32_t width, int32_t height, int32_t zoom, int64_t maxPixels);

// The picture pixels a screen length of `screenLength` pixels holds whole at `zoom` (at least
// 1): a picture's width or height for a screen or monitor, what is left over staying black.
int32_t PictureLength(int32_t screenLength, int32_t zoom);

// The picture pixel that holds the screen pixel `offset` (counted from a picture-aligned
// origin) at `zoom`: the offset divided by the zoom, rounding down, so that the screen pixels
// just left of or above the origin belong to picture pixel -1, not 0. A zoom below 1 counts
// as 1.
int32_t PictureOffset(int32_t offset, int32_t zoom);
