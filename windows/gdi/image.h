// Turns the program's image resources into a logical palette and into image or mask bitmaps.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "windows/gdi/graphics.h"

// The bytes of the program's image resource `resourceId`; false when it has none of that number.
bool GfxImageResource(int resourceId, const uint8_t** data, size_t* size);
// The palette of a resource's colour table (colour 0 as stored), or none.
HPALETTE GfxLoadPalette(int resourceId);
// The scale of a bitmap drawn at its full size: the saver's and the settings window's.
constexpr int32_t kUnscaled = -1;

// A device bitmap of a resource compatible with `context`: the image rendering (colour 0
// black) or, with `mask` non-zero, the mask rendering (colour 0 white, all else black), shrunk
// to `scale` per mille (the preview's ScaleFactor) unless it is kUnscaled. None on failure.
HBITMAP GfxLoadBitmap(HDC context, int resourceId, int mask, int32_t scale);
// Loads a set of pictures on `context` in the order their colours need: the palette of the
// first resource into *palette, the mask of each resource, the palette selected and realised
// in `context` (the palette it replaced into *replaced, for GfxRestorePalette), then the image
// of each resource, into pictures[0 .. count - 1]. Stops at the first failure, leaving what was
// built recorded for the caller to delete; 1 when everything was built. `scale` as for
// GfxLoadBitmap.
int GfxLoadPictures(HDC context, const int* resourceIds, int count, HPALETTE* palette,
                    HPALETTE* replaced, SpriteSheet* pictures, int32_t scale);
// Selects `palette` into `context` as a foreground palette and realises it. Returns the palette
// it replaced, for GfxPutPaletteBack; none when `palette` is none or cannot be selected.
HPALETTE GfxSelectPalette(HDC context, HPALETTE palette);
// Selects `previous` back into `context`; nothing when it is none.
void GfxPutPaletteBack(HDC context, HPALETTE previous);
// Gives the device context of `window` its `previous` palette back, realised, then deletes
// *palette and leaves it none. Does nothing when *palette is none.
void GfxRestorePalette(HWND window, HPALETTE previous, HPALETTE* palette);
