// The run's values: made once by start-up from the command line and the screen, then handed to
// the windows it creates, which only read them.
#pragma once

#include <cstdint>

#include "show/runstate.h"

struct RunState {
  int32_t RunMode = RUN_SETTINGS;
  Size2 ScreenSize = {0, 0};  // logical pixels: the physical size divided by the zoom
  Size2 OutputSize = {0, 0};  // the saver's picture: the screen, or the preview's client area
  int32_t ScaleFactor = 0;    // per mille; only preview drawing reads it
  int32_t ScreenZoom = 1;     // from the screen's DPI
};

// The zoom the saver or preview window presents its picture at: the screen's for the
// full-screen saver, 1 for the preview, whose host window is measured in screen pixels.
inline int32_t PresentZoom(const RunState& run) {
  return run.RunMode == RUN_SAVER ? run.ScreenZoom : 1;
}
