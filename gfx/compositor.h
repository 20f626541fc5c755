// The frame compositor: dither patterns, off-screen buffers, and drawing the DrawList into
// the WorkBuffer and onto the window.
#pragma once

#include <windows.h>

#include "gfx/drawlist.h"

// Creates the eight DitherPatterns in table order.
void GfxCreatePatterns();
// Creates the BackgroundBuffer and WorkBuffer of OutputSize, black; 1, or 0 on failure.
int GfxCreateBuffers(HDC screen);
// Draws the finished DrawList into the WorkBuffer and copies it to the window.
void GfxRenderFrame(HWND window);
// Clips a rectangle to the output (0, 0, OutputSize) in place.
void GfxClipRect(SpriteRect* rect);
