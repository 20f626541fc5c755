// A plain X window for the native program's tests to name with -window-id:
//   test_window WIDTH HEIGHT X Y [inputonly]
// Prints the window's id in hexadecimal once it is mapped, then stays until it is killed. With
// "inputonly" the window is of the InputOnly class, which has no pixels. The window is black, as
// the program clears it, so that a pixel other than black in it is one the program drew.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

int main(int argc, char** argv) {
  const bool inputOnly = argc == 6 && std::strcmp(argv[5], "inputonly") == 0;
  if (argc != 5 && !inputOnly) {
    std::fprintf(stderr, "usage: test_window WIDTH HEIGHT X Y [inputonly]\n");
    return 2;
  }
  Display* display = XOpenDisplay(nullptr);
  if (!display) return 1;
  const int screen = DefaultScreen(display);
  const int x = std::atoi(argv[3]), y = std::atoi(argv[4]);
  const unsigned width = unsigned(std::atoi(argv[1])), height = unsigned(std::atoi(argv[2]));
  XSetWindowAttributes none = {};
  const Window window =
      inputOnly ? XCreateWindow(display, RootWindow(display, screen), x, y, width, height, 0, 0,
                                InputOnly, CopyFromParent, 0, &none)
                : XCreateSimpleWindow(display, RootWindow(display, screen), x, y, width, height, 0,
                                      BlackPixel(display, screen), BlackPixel(display, screen));
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
