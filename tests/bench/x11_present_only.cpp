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
  uint32_t* picture =
      static_cast<uint32_t*>(std::calloc(size_t(width) * size_t(height), sizeof(uint32_t)));
  if (!picture ||
      !PresentOpen(display, root, attributes.visual, attributes.depth, width, height, 1)) {
    return 1;
  }
  // A picture that is not all black, so that nothing could be skipped as unchanged.
  for (size_t i = 0; i < size_t(width) * size_t(height); i += 7) picture[i] = 0x406080;
  const SoftRect whole = {0, 0, width, height};
  for (;;) {
    PresentRects(picture, width, &whole, 1);
    const timespec period = {0, 100 * 1000 * 1000};
    nanosleep(&period, nullptr);
  }
}
