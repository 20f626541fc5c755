// The monitors a screen is made of, as rectangles of its root window: the XRandR 1.5 monitors,
// or Xinerama's screens where that is all the server offers.
#pragma once

#include <X11/Xlib.h>

constexpr int kMaxMonitors = 16;

struct MonitorRect {
  int x;
  int y;
  int width;
  int height;
};

bool SameMonitorRect(const MonitorRect& a, const MonitorRect& b);

// Asks the server to report changes of the monitors to `root` as RRScreenChangeNotify events
// (and, as every change of them does, a ConfigureNotify of the root window); returns the
// XRandR event base, or -1 without XRandR.
int WatchMonitors(Display* display, Window root);
// Writes the monitors' rectangles, clipped to the width x height area at the root's origin,
// without empty ones or repeats (mirrored monitors show one show), to `monitors` (room for
// kMaxMonitors) and returns their count; 0 when the server tells of no monitors.
int FindMonitors(Display* display, Window root, int width, int height, MonitorRect* monitors);
