// The wake floor of the native CPU benchmark: runs the same show as qavsaver3 -root -speed 5
// -seed SEED, waking at the same ticks (it sleeps through the quiet ones the same way), but at
// each tick that would draw it only sends one pixel of a shared-memory image: what waking both
// the program and the X server costs, with no pixel work at all. Ends when killed.
#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>
#include <poll.h>
#include <time.h>

#include <cstdint>
#include <cstdlib>

#include "show/show.h"
#include "show/speed.h"
#include "show/tick_schedule.h"
#include "unix/monotonic_clock.h"
#include "x11/x_present.h"

namespace {

// Runs a tick of the director; true when its list would draw.
bool Tick(Show& show) {
  DrawEntry toDraw[kDrawListSlots];
  DirectorTick(show);
  return ShowListToDraw(show, toDraw);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) return 2;
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  const Window root = DefaultRootWindow(display);
  XWindowAttributes attributes;
  XGetWindowAttributes(display, root, &attributes);
  XPresent present;
  if (!PresentOpen(present, display, root, attributes.visual, attributes.depth, 0, 0, 1, 1, 1) ||
      !present.shared) {
    return 1;
  }
  Show show;
  ShowSetUp(show, RUN_SAVER, {attributes.width, attributes.height},
            {attributes.width, attributes.height}, 1000,
            uint32_t(std::strtoul(argv[1], nullptr, 10)));
  const int64_t periodMs = FramePeriodForSpeed(5);
  TickSchedule schedule = TickScheduleStart(NowMs(), periodMs);
  for (;;) {
    const int64_t now = NowMs();
    if (const int due = TickScheduleDue(schedule, now)) {
      bool drew = false;
      for (int tick = 0; tick < due; ++tick) drew = Tick(show) || drew;
      if (drew) {
        XShmPutImage(display, root, present.gc, present.image, 0, 0, 0, 0, 1, 1, False);
        XFlush(display);
      }
      schedule.quiet = ShowQuietTicks(show, kMostQuietTicks);
    }
    int timeout = static_cast<int>(TickScheduleWakeAt(schedule) - NowMs());
    if (timeout < 0) timeout = 0;
    pollfd connection = {ConnectionNumber(display), POLLIN, 0};
    if (XPending(display)) timeout = 0;
    poll(&connection, 1, timeout);
    while (XPending(display)) {
      XEvent event;
      XNextEvent(display, &event);
    }
  }
}
