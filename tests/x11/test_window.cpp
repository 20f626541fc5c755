// A plain X window for the native program's tests to name with -window-id:
//   test_window WIDTH HEIGHT X Y
// Prints the window's id in hexadecimal once it is mapped, then stays until it is killed.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
  if (argc != 5) {
    std::fprintf(stderr, "usage: test_window WIDTH HEIGHT X Y\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  const int screen = DefaultScreen(display);
  const Window window = XCreateSimpleWindow(
      display, RootWindow(display, screen), std::atoi(argv[3]), std::atoi(argv[4]),
      unsigned(std::atoi(argv[1])), unsigned(std::atoi(argv[2])), 0, WhitePixel(display, screen),
      WhitePixel(display, screen));
  XStoreName(display, window, "test_window");
  XSelectInput(display, window, StructureNotifyMask);
  XMapWindow(display, window);
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
    if (event.type == MapNotify) break;
  }
  std::printf("0x%lx\n", window);
  std::fflush(stdout);
  for (;;) {
    XEvent event;
    XNextEvent(display, &event);
  }
}
