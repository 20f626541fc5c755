// Showing the work picture in an X window: one image of the window's size, in shared memory
// where the server offers it, into which the changed rectangles are converted (each picture
// pixel as a zoom x zoom block) and from which only they are sent.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>

#include "show/soft_compositor.h"

// Makes the image for a window of width x height with the given visual and depth and paints
// the window black. false when the visual is not a true-colour one or memory is short.
bool PresentOpen(Display* display, Window window, Visual* visual, int depth, int width, int height,
                 int zoom);
// Converts the rectangles of `picture` (pictureWidth pixels a row, in picture pixels) into the
// image and sends them to the window; waits until the server has read them.
void PresentRects(const uint32_t* picture, int32_t pictureWidth, const SoftRect* rects, int count);
// Sends a part of the image (window pixels) again, after an expose.
void PresentArea(int x, int y, int width, int height);
// Frees the image and its shared memory.
void PresentClose();
// Whether the image lives in shared memory.
bool PresentUsesSharedMemory();
