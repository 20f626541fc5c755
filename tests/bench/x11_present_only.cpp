// The yardstick of the native CPU benchmark: presents the whole root window every 100 ms
// through the same image and shared memory as qavsaver3, as a program that sends its whole
// picture at every tick would, and does nothing else. Ends when killed.
#include <X11/Xlib.h>
#include <time.h>

#include <cstdint>
#include <cstdlib>

#include "x11/x_present.h"

int main() {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  const Window root = DefaultRootWindow(display);
  XWindowAttributes attributes;
  XGetWindowAttributes(display, root, &attributes);
  const int width = attributes.width, height = attributes.height;
  SoftPicture picture;
  XPresent present;
  if (!SoftCreatePicture(picture, width, height) ||
      !PresentOpen(present, display, root, attributes.visual, attributes.depth, 0, 0, width, height,
                   1)) {
    return 1;
  }
  // A picture that is not all black, so that nothing could be skipped as unchanged.
  for (size_t i = 0; i < size_t(width) * size_t(height); i += 7) picture.work[i] = 0x406080;
  const SoftRect whole = {0, 0, width, height};
  for (;;) {
    PresentRects(present, picture, &whole, 1);
    const timespec period = {0, 100 * 1000 * 1000};
    nanosleep(&period, nullptr);
  }
}
