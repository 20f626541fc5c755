// The bare yardstick of the native CPU benchmark: sends the whole unchanged root window every
// 100 ms through the same shared-memory image as qavsaver3 and waits as it does, with no pixel
// work at all: what moving a whole screen to the X server costs by itself. Ends when killed.
#include <X11/Xlib.h>
#include <X11/extensions/XShm.h>
#include <time.h>

#include "x11/x_present.h"

int main() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  const Window root = DefaultRootWindow(display);
  XWindowAttributes attributes;
  XGetWindowAttributes(display, root, &attributes);
  const int width = attributes.width, height = attributes.height;
  XPresent present;
  if (!PresentOpen(present, display, root, attributes.visual, attributes.depth, 0, 0, width, height,
                   1) ||
      !present.shared) {
    return 1;
  }
  for (;;) {
    XShmPutImage(display, root, present.gc, present.image, 0, 0, 0, 0, width, height, False);
    XSync(display, False);
    const timespec period = {0, 100 * 1000 * 1000};
    nanosleep(&period, nullptr);
  }
}
