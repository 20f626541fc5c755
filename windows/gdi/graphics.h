// The saver's graphics objects: built by the saver window's set-up, drawn with by the
// compositor, deleted at teardown. Each handle is null while it does not exist.
#pragma once

#include <windows.h>

#include "show/dither_patterns.h"
#include "show/drawlist.h"

struct SpriteSheet {
  HBITMAP image;  // the picture, colour 0 made black
  HBITMAP mask;   // white where the picture has colour 0, black elsewhere
};

extern HPALETTE SaverPalette;
extern SpriteSheet SpriteSheets[kSheetCount];
extern HBITMAP DitherPatterns[kDitherPatternCount];
extern HBITMAP BackgroundBuffer;
extern HBITMAP WorkBuffer;
