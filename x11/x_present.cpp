#include "x11/x_present.h"

#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>
#include <cstring>

namespace {

Display* TheDisplay = nullptr;
Window TheWindow = 0;
GC TheGC = nullptr;
XImage* Image = nullptr;
XShmSegmentInfo Segment = {};
bool Shared = false;
int Zoom = 1;
// How each colour byte reaches a pixel of the visual.
int RedShift = 0, GreenShift = 0, BlueShift = 0;
int RedBits = 8, GreenBits = 8, BlueBits = 8;
bool DirectPixels = false;  // the picture's words are the image's pixels as they stand

int ShmErrors = 0;
int (*PreviousHandler)(Display*, XErrorEvent*) = nullptr;

int CountShmError(Display*, XErrorEvent*) {
  ++ShmErrors;
  return 0;
}

void MaskShape(unsigned long mask, int* shift, int* bits) {
  *shift = 0;
  *bits = 0;
  if (!mask) return;
  while (!(mask & 1)) {
    mask >>= 1;
    ++*shift;
  }
  while (mask & 1) {
    mask >>= 1;
    ++*bits;
  }
}

unsigned long Component(uint32_t byte, int shift, int bits) {
  return bits >= 8 ? (unsigned long)byte << (shift + bits - 8)
                   : (unsigned long)(byte >> (8 - bits)) << shift;
}

unsigned long PixelOf(uint32_t rgb) {
  return Component(rgb >> 16 & 0xFF, RedShift, RedBits) |
         Component(rgb >> 8 & 0xFF, GreenShift, GreenBits) |
         Component(rgb & 0xFF, BlueShift, BlueBits);
}

// An image in shared memory, or null when the server cannot share it with us.
XImage* SharedImage(Visual* visual, int depth, int width, int height) {
  if (!XShmQueryExtension(TheDisplay)) return nullptr;
  XImage* image =
      XShmCreateImage(TheDisplay, visual, depth, ZPixmap, nullptr, &Segment, width, height);
  if (!image) return nullptr;
  Segment.shmid = shmget(IPC_PRIVATE, size_t(image->bytes_per_line) * height, IPC_CREAT | 0600);
  if (Segment.shmid < 0) {
    XDestroyImage(image);
    return nullptr;
  }
  Segment.shmaddr = image->data = static_cast<char*>(shmat(Segment.shmid, nullptr, 0));
  Segment.readOnly = False;
  bool attached = false;
  if (Segment.shmaddr != reinterpret_cast<char*>(-1)) {
    XSync(TheDisplay, False);
    ShmErrors = 0;
    PreviousHandler = XSetErrorHandler(CountShmError);
    XShmAttach(TheDisplay, &Segment);
    XSync(TheDisplay, False);
    XSetErrorHandler(PreviousHandler);
    attached = ShmErrors == 0;
  }
  // Marked for removal now, so that it goes with the last detach whatever ends the program.
  shmctl(Segment.shmid, IPC_RMID, nullptr);
  if (!attached) {
    if (Segment.shmaddr != reinterpret_cast<char*>(-1)) shmdt(Segment.shmaddr);
    image->data = nullptr;
    XDestroyImage(image);
    Segment = {};
    return nullptr;
  }
  return image;
}

XImage* PlainImage(Visual* visual, int depth, int width, int height) {
  XImage* image =
      XCreateImage(TheDisplay, visual, depth, ZPixmap, 0, nullptr, width, height, 32, 0);
  if (!image) return nullptr;
  image->data = static_cast<char*>(std::calloc(size_t(image->bytes_per_line), size_t(height)));
  if (!image->data) {
    XDestroyImage(image);
    return nullptr;
  }
  return image;
}

void SendArea(int x, int y, int width, int height) {
  if (x + width > Image->width) width = Image->width - x;
  if (y + height > Image->height) height = Image->height - y;
  if (x < 0 || y < 0 || width <= 0 || height <= 0) return;
  if (Shared) {
    XShmPutImage(TheDisplay, TheWindow, TheGC, Image, x, y, x, y, width, height, False);
  } else {
    XPutImage(TheDisplay, TheWindow, TheGC, Image, x, y, x, y, width, height);
  }
}

// Writes one picture row of `count` pixels as `Zoom` image rows from window pixel (x, y).
void ConvertRow(const uint32_t* source, int count, int x, int y) {
  const int rows = y + Zoom <= Image->height ? Zoom : Image->height - y;
  char* first = Image->data + size_t(y) * Image->bytes_per_line;
  if (DirectPixels) {
    uint32_t* out = reinterpret_cast<uint32_t*>(first) + x;
    if (Zoom == 1) {
      std::memcpy(out, source, size_t(count) * 4);
    } else {
      for (int i = 0; i < count; ++i) {
        for (int z = 0; z < Zoom; ++z) *out++ = source[i];
      }
    }
  } else {
    for (int i = 0; i < count; ++i) {
      const unsigned long pixel = PixelOf(source[i]);
      for (int z = 0; z < Zoom; ++z) XPutPixel(Image, x + i * Zoom + z, y, pixel);
    }
  }
  const size_t bytes = size_t(count) * Zoom * Image->bits_per_pixel / 8;
  const size_t offset = size_t(x) * Image->bits_per_pixel / 8;
  for (int r = 1; r < rows; ++r) {
    std::memcpy(first + size_t(r) * Image->bytes_per_line + offset, first + offset, bytes);
  }
}

}  // namespace

bool PresentOpen(Display* display, Window window, Visual* visual, int depth, int width, int height,
                 int zoom) {
  PresentClose();
  if (visual->c_class != TrueColor && visual->c_class != DirectColor) return false;
  TheDisplay = display;
  TheWindow = window;
  Zoom = zoom < 1 ? 1 : zoom;
  MaskShape(visual->red_mask, &RedShift, &RedBits);
  MaskShape(visual->green_mask, &GreenShift, &GreenBits);
  MaskShape(visual->blue_mask, &BlueShift, &BlueBits);
  Image = SharedImage(visual, depth, width, height);
  Shared = Image != nullptr;
  if (!Image) Image = PlainImage(visual, depth, width, height);
  if (!Image) return false;
  const uint16_t probe = 1;
  const bool hostLsbFirst = *reinterpret_cast<const uint8_t*>(&probe) == 1;
  DirectPixels = Image->bits_per_pixel == 32 && visual->red_mask == 0xFF0000 &&
                 visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF &&
                 (Image->byte_order == LSBFirst) == hostLsbFirst;
  std::memset(Image->data, 0, size_t(Image->bytes_per_line) * height);
  TheGC = XCreateGC(display, window, 0, nullptr);
  SendArea(0, 0, width, height);
  XSync(display, False);
  return true;
}

void PresentRects(const uint32_t* picture, int32_t pictureWidth, const SoftRect* rects, int count) {
  if (!Image || count <= 0) return;
  for (int i = 0; i < count; ++i) {
    const SoftRect& r = rects[i];
    for (int32_t row = 0; row < r.height; ++row) {
      const int y = (r.y + row) * Zoom;
      if (y >= Image->height) break;
      int columns = r.width;
      if ((r.x + columns) * Zoom > Image->width) columns = Image->width / Zoom - r.x;
      if (columns <= 0) break;
      ConvertRow(picture + size_t(r.y + row) * pictureWidth + r.x, columns, r.x * Zoom, y);
    }
    SendArea(r.x * Zoom, r.y * Zoom, r.width * Zoom, r.height * Zoom);
  }
  // The server reads shared memory later: the image must not change before it has.
  XSync(TheDisplay, False);
}

void PresentArea(int x, int y, int width, int height) {
  if (!Image) return;
  SendArea(x, y, width, height);
  XFlush(TheDisplay);
}

void PresentClose() {
  if (Image) {
    if (Shared) {
      XShmDetach(TheDisplay, &Segment);
      XSync(TheDisplay, False);
      shmdt(Segment.shmaddr);
      Image->data = nullptr;
      Segment = {};
    }
    XDestroyImage(Image);
  }
  if (TheGC) XFreeGC(TheDisplay, TheGC);
  Image = nullptr;
  TheGC = nullptr;
  Shared = false;
  TheDisplay = nullptr;
  TheWindow = 0;
}

bool PresentUsesSharedMemory() { return Shared; }
