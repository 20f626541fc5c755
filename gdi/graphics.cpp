#include "gdi/graphics.h"

HPALETTE SaverPalette = nullptr;
SpriteSheet SpriteSheets[kSheetSlots] = {};
HBITMAP DitherPatterns[kDitherPatternCount] = {};
HBITMAP BackgroundBuffer = nullptr;
HBITMAP WorkBuffer = nullptr;
