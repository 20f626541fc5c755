// Showing a work picture in an X window: one image of the picture's area of the window, in
// shared memory where the server offers it, into which the changed rectangles are converted
// (each picture pixel as a zoom x zoom block) and from which only they are sent. Each XPresent is
// a value, so that one window can show several pictures side by side.
#pragma once

#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>

#include <cstdint>

#include "show/soft_compositor.h"

struct XPresent {
  Display* display = nullptr;
  Window window = 0;
  GC gc = nullptr;
  XImage* image = nullptr;
  XShmSegmentInfo segment = {};
  bool shared = false;  // the image lives in shared memory
  int originX = 0;      // where the image's top left corner falls in the window
  int originY = 0;
  int zoom = 1;
  // How each colour byte reaches a pixel of the visual.
  int redShift = 0, greenShift = 0, blueShift = 0;
  int redBits = 8, greenBits = 8, blueBits = 8;
  bool directPixels = false;  // the picture's words are the image's pixels as they stand
};

// Makes the image for the width x height area of `window` at (originX, originY), with the given
// visual and depth, and paints that area black. false when the visual is not a true-colour one
// or memory is short.
bool PresentOpen(XPresent& present, Display* display, Window window, Visual* visual, int depth,
                 int originX, int originY, int width, int height, int zoom);
// The image's pixels, rows `*stride` pixels apart, when a picture's pixels can stand in it as they
// are (one window pixel each, in the visual's own words), else null: a show may draw its picture
// there (PictureShowDrawInto), and PresentRects then only sends.
uint32_t* PresentImageForPicture(const XPresent& present, size_t* stride);
// Converts the rectangles of `picture` (in picture pixels) into the image, unless the picture is
// drawn there itself, and sends them to the window, without waiting for the server: the image
// may be written again at once.
void PresentRects(XPresent& present, const SoftPicture& picture, const SoftRect* rects, int count);
// Sends the image's part of an area of the window (window pixels) again, after an expose.
void PresentArea(XPresent& present, int x, int y, int width, int height);
// Frees the image and its shared memory.
void PresentClose(XPresent& present);
