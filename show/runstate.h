// The run modes, a size, and the preview's scale: what the show needs of a program's run.
// Platform-free; each program keeps its run's values in a state of its own.
#pragma once

#include <cstdint>

constexpr int RUN_SETTINGS = 0;
constexpr int RUN_SAVER = 1;
constexpr int RUN_PREVIEW = 2;
constexpr int RUN_PASSWORD = 3;

struct Size2 {
  int32_t width;
  int32_t height;
};

// The larger of the output's width and height in per mille of the screen's; 0 for a screen
// dimension that is not positive.
int32_t ComputeScaleFactor(int32_t outputWidth, int32_t outputHeight, int32_t screenWidth,
                           int32_t screenHeight);
