// The frame compositor: dither patterns, off-screen buffers, drawing the DrawList into the
// WorkBuffer, and presenting the WorkBuffer on a window.
#pragma once

#include <windows.h>

#include <cstdint>

#include "windows/gdi/graphics.h"
#include "show/drawlist.h"

// Creates the eight DitherPatterns in table order.
void GfxCreatePatterns();
// Creates the BackgroundBuffer and WorkBuffer of OutputSize, black; 1, or 0 on failure.
int GfxCreateBuffers(HDC screen);
// Copies the BackgroundBuffer over the whole WorkBuffer, for a fresh scene on the same buffers.
void GfxBlankWorkBuffer();
// Draws a finished draw list (its entries up to the DRAW_END, at most kDrawListSlots) into the
// WorkBuffer and presents on the window the rectangles that the list changed.
void GfxRenderFrame(HWND window, const DrawEntry* entries);
// Gives the compositor's memory device contexts, which keep the buffers, sheets and a
// temporary bitmap selected from the first frame on, their own objects back and deletes them
// with the temporary bitmap and the pattern brushes. Called before those bitmaps are deleted.
void GfxReleaseDrawingContexts();
// Clips a rectangle to the output (0, 0, OutputSize) in place.
void GfxClipRect(SpriteRect* rect);
// Copies a rectangle of the WorkBuffer, in picture pixels, to the same place on `target` with
// the SaverPalette selected and realised, and gives `target` its palette back. The part that
// lies outside the WorkBuffer is left out. At a present zoom above 1 the place and size on
// `target` are zoomed and each picture pixel becomes a sharp zoom x zoom block.
void GfxPresentRect(HDC target, int32_t x, int32_t y, int32_t width, int32_t height);
// The zoom of the present (StretchBlt with COLORONCOLOR above 1); 1, the plain copy, unless set.
void GfxSetPresentZoom(int32_t zoom);
int32_t GfxPresentZoom();
