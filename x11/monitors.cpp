#include "x11/monitors.h"

#include <X11/extensions/Xinerama.h>
#include <X11/extensions/Xrandr.h>

namespace {

// Adds the part of (x, y, width, height) that lies in the area, unless it is empty or already
// there; the new count.
int AddMonitor(MonitorRect* monitors, int count, int x, int y, int width, int height, int areaWidth,
               int areaHeight) {
  const int left = x > 0 ? x : 0, top = y > 0 ? y : 0;
  const int right = x + width < areaWidth ? x + width : areaWidth;
  const int bottom = y + height < areaHeight ? y + height : areaHeight;
  if (right <= left || bottom <= top || count >= kMaxMonitors) return count;
  const MonitorRect rect = {left, top, right - left, bottom - top};
  for (int i = 0; i < count; ++i) {
    if (SameMonitorRect(monitors[i], rect)) return count;
  }
  monitors[count] = rect;
  return count + 1;
}

bool HasRandrMonitors(Display* display) {
  int eventBase = 0, errorBase = 0, major = 0, minor = 0;
  return XRRQueryExtension(display, &eventBase, &errorBase) &&
         XRRQueryVersion(display, &major, &minor) && (major > 1 || (major == 1 && minor >= 5));
}

}  // namespace

bool SameMonitorRect(const MonitorRect& a, const MonitorRect& b) {
  return a.x == b.x && a.y == b.y && a.width == b.width && a.height == b.height;
}

int WatchMonitors(Display* display, Window root) {
  int eventBase = 0, errorBase = 0;
  if (!XRRQueryExtension(display, &eventBase, &errorBase)) return -1;
  XRRSelectInput(display, root, RRScreenChangeNotifyMask);
  return eventBase;
}

int FindMonitors(Display* display, Window root, int width, int height, MonitorRect* monitors) {
  int count = 0;
  if (HasRandrMonitors(display)) {
    int found = 0;
    XRRMonitorInfo* info = XRRGetMonitors(display, root, True, &found);
    for (int i = 0; info && i < found; ++i) {
      count = AddMonitor(monitors, count, info[i].x, info[i].y, info[i].width, info[i].height,
                         width, height);
    }
    if (info) XRRFreeMonitors(info);
    if (count > 0) return count;
  }
  int eventBase = 0, errorBase = 0;
  if (XineramaQueryExtension(display, &eventBase, &errorBase) && XineramaIsActive(display)) {
    int found = 0;
    XineramaScreenInfo* screens = XineramaQueryScreens(display, &found);
    for (int i = 0; screens && i < found; ++i) {
      count = AddMonitor(monitors, count, screens[i].x_org, screens[i].y_org, screens[i].width,
                         screens[i].height, width, height);
    }
    if (screens) XFree(screens);
  }
  return count;
}
