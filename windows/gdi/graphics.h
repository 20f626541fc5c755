// The saver's GDI drawing state: the graphics objects the compositor draws with and the memory
// device contexts it keeps them selected in. One value makes every object (GfxSetUpGraphics)
// and deletes it (GfxDeleteGraphics); each handle is null while it does not exist.
#pragma once

#include <windows.h>

#include "show/dither_patterns.h"
#include "show/drawlist.h"
#include "show/runstate.h"

struct SpriteSheet {
  HBITMAP image;  // the picture, colour 0 made black
  HBITMAP mask;   // white where the picture has colour 0, black elsewhere
};

// A memory DC of the compositor and the bitmap of ours it holds. The DCs live from the first
// frame to GfxReleaseDrawingContexts, each keeping its bitmap selected between frames: under
// Wine creating a DC and selecting into it costs far more than the blits of a whole frame. A
// bitmap is selected only when it differs from the one held.
struct GfxHolder {
  HDC dc;
  HGDIOBJ original;  // the DC's own bitmap, null while nothing of ours was selected
  HBITMAP held;
};

// The WorkBuffer is drawn into through `work`, each sheet slot's bitmaps are read through
// `masks` and `images` and the BackgroundBuffer through `background`.
struct GfxContexts {
  GfxHolder work;
  GfxHolder masks[kSheetCount];
  GfxHolder images[kSheetCount];
  GfxHolder background;
  GfxHolder temporary;
  int temporaryWidth;
  int temporaryHeight;
  HBRUSH brushes[kDitherPatternCount];         // made at their first use
  HBITMAP brushPatterns[kDitherPatternCount];  // the pattern bitmap each brush was made from
  HGDIOBJ temporaryOriginalBrush;              // null while no brush of ours is selected
};

struct Graphics {
  Size2 OutputSize;  // the buffers' size, picture pixels
  HPALETTE SaverPalette;
  HWND paletteWindow;        // the window whose device context SaverPalette was selected in
  HPALETTE previousPalette;  // the palette it replaced there
  SpriteSheet SpriteSheets[kSheetCount];
  HBITMAP DitherPatterns[kDitherPatternCount];
  HBITMAP BackgroundBuffer;
  HBITMAP WorkBuffer;
  // The BackgroundBuffer GfxCreateBuffers made and filled black, which nothing changes after
  // set-up; null when the BackgroundBuffer is another bitmap.
  HBITMAP blackBackground;
  GfxContexts contexts;
};
