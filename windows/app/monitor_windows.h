// The windows over every monitor but the primary while the full-screen saver runs: each shows a
// show of its own, drawn in software at its monitor's zoom, or is plain black when the settings
// ask for the saver on the primary monitor alone. Input on them is handed to the saver window,
// so it ends the saver by the same rules.
#pragma once

#include <windows.h>

#include <cstdint>

#include "show/picture_show.h"
#include "show/soft_compositor.h"

// A monitor's window and, where it shows scenes, its show and the bitmap it presents from: the
// show's picture as a DIB section, in which the show draws its picture (PictureShowDrawInto), so
// that each tick changes it only in the rectangles it returns, with no copy of its own. The
// window finds its cover through its GWLP_USERDATA.
struct MonitorCover {
  HWND window = nullptr;
  HWND saver = nullptr;  // the full-screen saver window its input is handed to
  PictureShow show;
  bool showing = false;
  int32_t zoom = 1;
  HDC memory = nullptr;
  HBITMAP bitmap = nullptr;
  HGDIOBJ previousBitmap = nullptr;
};

// The other monitors' windows of one saver window, as many as there are monitors (the block
// grows when a call finds more monitors than it holds), and the program's sheets in software,
// loaded with the first show and kept until MonitorWindowsDestroy.
struct MonitorWindows {
  MonitorCover* covers = nullptr;
  int capacity = 0;
  int count = 0;
  SoftSheets sheets;
  bool sheetsLoaded = false;
};

// Creates one top-most window per monitor other than the primary in `monitors`, over whatever
// windows were made before (the set follows the monitors when called again); `saver` is the
// full-screen saver window that receives their input. With `withShows` monitor i (in the
// system's order, the primary left out) shows the scenes of seed + 1 + i; without, it stays
// black. Without the monitor functions (older systems) nothing is created. A monitor whose own
// DPI the system does not tell is drawn at `systemZoom`. Returns how many windows were made.
int MonitorWindowsCreate(MonitorWindows& monitors, HWND saver, bool withShows, uint32_t seed,
                         int32_t systemZoom);
// Runs one tick of every monitor's show and puts what changed on its window.
void MonitorWindowsTick(MonitorWindows& monitors);
// Destroys the windows MonitorWindowsCreate made and frees the sheets; a second call does
// nothing.
void MonitorWindowsDestroy(MonitorWindows& monitors);
