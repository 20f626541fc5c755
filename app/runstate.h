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
