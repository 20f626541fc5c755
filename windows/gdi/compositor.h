// The frame compositor: dither patterns, off-screen buffers, drawing the DrawList into the
// WorkBuffer, and presenting the WorkBuffer on a window.
#pragma once

#include <windows.h>

#include <cstdint>

#include "show/drawlist.h"
#include "windows/gdi/graphics.h"

// Builds every graphics object of `graphics` for an output of `output` picture pixels on
// `context`, the device context of `paletteWindow`: the palette (left selected and realised
// there), the sheets (shrunk by `scale` per mille unless it is kUnscaled), the patterns and the
// buffers. 0 at the first failure, with what was built kept for GfxDeleteGraphics.
int GfxSetUpGraphics(Graphics& graphics, HWND paletteWindow, HDC context, Size2 output,
                     int32_t scale);
// Deletes every graphics object `graphics` holds, once the compositor's device contexts have
// let go of them: buffers, sheets, patterns, and the palette last, after its window's device
// context has its previous palette back. Every handle is null afterwards; a second call does
// nothing.
void GfxDeleteGraphics(Graphics& graphics);
// Creates the eight DitherPatterns in table order.
void GfxCreatePatterns(Graphics& graphics);
// Creates the BackgroundBuffer and WorkBuffer of graphics.OutputSize, black; 1, or 0 on failure.
int GfxCreateBuffers(Graphics& graphics, HDC screen);
// Copies the BackgroundBuffer over the whole WorkBuffer, for a fresh scene on the same buffers.
void GfxBlankWorkBuffer(Graphics& graphics);
// Draws a finished draw list (its entries up to the DRAW_END, at most kDrawListSlots) into the
// WorkBuffer and presents on the window, at `zoom`, the rectangles that the list changed.
void GfxRenderFrame(Graphics& graphics, HWND window, const DrawEntry* entries, int32_t zoom);
// Gives the compositor's memory device contexts, which keep the buffers, sheets and a
// temporary bitmap selected from the first frame on, their own objects back and deletes them
// with the temporary bitmap and the pattern brushes. Called before those bitmaps are deleted.
void GfxReleaseDrawingContexts(Graphics& graphics);
// Copies a rectangle of the WorkBuffer, in picture pixels, to the same place on `target` with
// the SaverPalette selected and realised, and gives `target` its palette back. The part that
// lies outside the WorkBuffer is left out. At a `zoom` above 1 the place and size on `target`
// are zoomed and each picture pixel becomes a sharp zoom x zoom block.
void GfxPresentRect(Graphics& graphics, HDC target, int32_t x, int32_t y, int32_t width,
                    int32_t height, int32_t zoom);
