#include "x11/x_present.h"

#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <cstdlib>
#include <cstring>

namespace {

// The X error handler is the process's: it counts the errors of one attach at a time.
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

unsigned long PixelOf(const XPresent& present, uint32_t rgb) {
  return Component(rgb >> 16 & 0xFF, present.redShift, present.redBits) |
         Component(rgb >> 8 & 0xFF, present.greenShift, present.greenBits) |
         Component(rgb & 0xFF, present.blueShift, present.blueBits);
}

// An image in shared memory, or null when the server cannot share it with us.
XImage* SharedImage(XPresent& present, Visual* visual, int depth, int width, int height) {
  Display* display = present.display;
  XShmSegmentInfo& segment = present.segment;
  if (!XShmQueryExtension(display)) return nullptr;
  XImage* image =
      XShmCreateImage(display, visual, depth, ZPixmap, nullptr, &segment, width, height);
  if (!image) return nullptr;
  segment.shmid = shmget(IPC_PRIVATE, size_t(image->bytes_per_line) * height, IPC_CREAT | 0600);
  if (segment.shmid < 0) {
    XDestroyImage(image);
    return nullptr;
  }
  segment.shmaddr = image->data = static_cast<char*>(shmat(segment.shmid, nullptr, 0));
  segment.readOnly = False;
  bool attached = false;
  if (segment.shmaddr != reinterpret_cast<char*>(-1)) {
    XSync(display, False);
    ShmErrors = 0;
    PreviousHandler = XSetErrorHandler(CountShmError);
    XShmAttach(display, &segment);
    XSync(display, False);
    XSetErrorHandler(PreviousHandler);
    attached = ShmErrors == 0;
  }
  // Marked for removal now, so that it goes with the last detach whatever ends the program.
  shmctl(segment.shmid, IPC_RMID, nullptr);
  if (!attached) {
    if (segment.shmaddr != reinterpret_cast<char*>(-1)) shmdt(segment.shmaddr);
    image->data = nullptr;
    XDestroyImage(image);
    segment = {};
    return nullptr;
  }
  return image;
}

XImage* PlainImage(Display* display, Visual* visual, int depth, int width, int height) {
  XImage* image = XCreateImage(display, visual, depth, ZPixmap, 0, nullptr, width, height, 32, 0);
  if (!image) return nullptr;
  image->data = static_cast<char*>(std::calloc(size_t(image->bytes_per_line), size_t(height)));
  if (!image->data) {
    XDestroyImage(image);
    return nullptr;
  }
  return image;
}

// Sends a part of the image (image pixels) to the window at the image's origin.
void SendArea(const XPresent& present, int x, int y, int width, int height) {
  const XImage* image = present.image;
  SpriteRect area = {x, y, 0, 0, width, height};
  if (!ClipSpriteRect(area, image->width, image->height)) return;
  x = area.x, y = area.y, width = area.width, height = area.height;
  const int windowX = present.originX + x, windowY = present.originY + y;
  if (present.shared) {
    XShmPutImage(present.display, present.window, present.gc, present.image, x, y, windowX, windowY,
                 width, height, False);
  } else {
    XPutImage(present.display, present.window, present.gc, present.image, x, y, windowX, windowY,
              width, height);
  }
}

// Writes one picture row of `count` pixels as `zoom` image rows from image pixel (x, y).
void ConvertRow(XPresent& present, const uint32_t* source, int count, int x, int y) {
  XImage* image = present.image;
  const int zoom = present.zoom;
  const int rows = y + zoom <= image->height ? zoom : image->height - y;
  char* first = image->data + size_t(y) * image->bytes_per_line;
  if (present.directPixels) {
    uint32_t* out = reinterpret_cast<uint32_t*>(first) + x;
    if (zoom == 1) {
      std::memcpy(out, source, size_t(count) * 4);
    } else {
      for (int i = 0; i < count; ++i) {
        for (int z = 0; z < zoom; ++z) *out++ = source[i];
      }
    }
  } else {
    for (int i = 0; i < count; ++i) {
      const unsigned long pixel = PixelOf(present, source[i]);
      for (int z = 0; z < zoom; ++z) XPutPixel(image, x + i * zoom + z, y, pixel);
    }
  }
  const size_t bytes = size_t(count) * zoom * image->bits_per_pixel / 8;
  const size_t offset = size_t(x) * image->bits_per_pixel / 8;
  for (int r = 1; r < rows; ++r) {
    std::memcpy(first + size_t(r) * image->bytes_per_line + offset, first + offset, bytes);
  }
}

}  // namespace

bool PresentOpen(XPresent& present, Display* display, Window window, Visual* visual, int depth,
                 int originX, int originY, int width, int height, int zoom) {
  PresentClose(present);
  if (visual->c_class != TrueColor && visual->c_class != DirectColor) return false;
  present.display = display;
  present.window = window;
  present.originX = originX;
  present.originY = originY;
  present.zoom = zoom < 1 ? 1 : zoom;
  MaskShape(visual->red_mask, &present.redShift, &present.redBits);
  MaskShape(visual->green_mask, &present.greenShift, &present.greenBits);
  MaskShape(visual->blue_mask, &present.blueShift, &present.blueBits);
  present.image = SharedImage(present, visual, depth, width, height);
  present.shared = present.image != nullptr;
  if (!present.image) present.image = PlainImage(display, visual, depth, width, height);
  if (!present.image) return false;
  XImage* image = present.image;
  const uint16_t probe = 1;
  const bool hostLsbFirst = *reinterpret_cast<const uint8_t*>(&probe) == 1;
  present.directPixels = image->bits_per_pixel == 32 && visual->red_mask == 0xFF0000 &&
                         visual->green_mask == 0xFF00 && visual->blue_mask == 0xFF &&
                         (image->byte_order == LSBFirst) == hostLsbFirst;
  std::memset(image->data, 0, size_t(image->bytes_per_line) * height);
  present.gc = XCreateGC(display, window, 0, nullptr);
  SendArea(present, 0, 0, width, height);
  XSync(display, False);
  return true;
}

uint32_t* PresentImageForPicture(const XPresent& present, size_t* stride) {
  if (!present.image || !present.directPixels || present.zoom != 1) return nullptr;
  *stride = size_t(present.image->bytes_per_line) / 4;
  return reinterpret_cast<uint32_t*>(present.image->data);
}

void PresentRects(XPresent& present, const SoftPicture& picture, const SoftRect* rects, int count) {
  XImage* image = present.image;
  if (!image || count <= 0) return;
  const int zoom = present.zoom;
  const bool pictureInImage = picture.work == reinterpret_cast<const uint32_t*>(image->data);
  for (int i = 0; i < count; ++i) {
    const SoftRect& r = rects[i];
    if (!pictureInImage) {
      for (int32_t row = 0; row < r.height; ++row) {
        const int y = (r.y + row) * zoom;
        if (y >= image->height) break;
        int columns = r.width;
        if ((r.x + columns) * zoom > image->width) columns = image->width / zoom - r.x;
        if (columns <= 0) break;
        ConvertRow(present, picture.work + size_t(r.y + row) * picture.stride + r.x, columns,
                   r.x * zoom, y);
      }
    }
    SendArea(present, r.x * zoom, r.y * zoom, r.width * zoom, r.height * zoom);
  }
  // No waiting for the server to have read the image: it always holds the newest picture, each
  // send goes out after the pixels it covers were written, and the server runs the sends in
  // order, so the window always ends at the newest picture. A server a whole tick behind could
  // at worst show a rectangle's newer pixels a little early; a round trip here would wake the
  // program once more every tick that draws.
  XFlush(present.display);
}

void PresentArea(XPresent& present, int x, int y, int width, int height) {
  if (!present.image) return;
  SendArea(present, x - present.originX, y - present.originY, width, height);
  XFlush(present.display);
}

void PresentClose(XPresent& present) {
  if (present.image) {
    if (present.shared) {
      XShmDetach(present.display, &present.segment);
      XSync(present.display, False);
      shmdt(present.segment.shmaddr);
      present.image->data = nullptr;
    }
    XDestroyImage(present.image);
  }
  if (present.gc) XFreeGC(present.display, present.gc);
  present = XPresent{};
}
