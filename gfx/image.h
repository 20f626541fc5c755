// Turns the program's image resources into a logical palette and into image or mask bitmaps.
#pragma once

#include <windows.h>

// The palette of a resource's colour table (colour 0 as stored), or none.
HPALETTE GfxLoadPalette(int resourceId);
// A device bitmap of a resource compatible with `context`: the image rendering (colour 0
// black) or, with `mask` non-zero, the mask rendering (colour 0 white, all else black). In the
// preview the bitmap is shrunk by ScaleFactor. None on failure.
HBITMAP GfxLoadBitmap(HDC context, int resourceId, int mask);
// Gives the device context of `window` its `previous` palette back, realised, then deletes
// *palette and leaves it none. Does nothing when *palette is none.
void GfxRestorePalette(HWND window, HPALETTE previous, HPALETTE* palette);
