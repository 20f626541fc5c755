#include "windows/gdi/graphics.h"

HPALETTE SaverPalette = nullptr;
SpriteSheet SpriteSheets[kSheetCount] = {};
HBITMAP DitherPatterns[kDitherPatternCount] = {};
HBITMAP BackgroundBuffer = nullptr;
HBITMAP WorkBuffer = nullptr;
