// Start-up values shared by every module: set once before any window exists, then only read
// (the settings window sets its own output size). Platform-free.
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

extern int32_t RunMode;
extern Size2 ScreenSize;
extern Size2 OutputSize;
extern int32_t ScaleFactor;  // per mille; only preview drawing reads it

// The larger of the output's width and height in per mille of the screen's; 0 for a screen
// dimension that is not positive.
int32_t ComputeScaleFactor(int32_t outputWidth, int32_t outputHeight, int32_t screenWidth,
                           int32_t screenHeight);
