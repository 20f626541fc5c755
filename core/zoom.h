// The integer zoom of a high-DPI screen. Platform-free.
#pragma once

#include <cstdint>

// The screen's DPI rounded to whole multiples of 96, at least 1: 96 and 120 give 1, 144 to 239
// give 2, 240 gives 3. Every picture pixel is then drawn as a sharp zoom x zoom block.
int32_t ZoomForDpi(int32_t dpi);

// The zoom of this run's screen, set once at start-up from the screen's DPI; 1 until then.
extern int32_t ScreenZoom;
