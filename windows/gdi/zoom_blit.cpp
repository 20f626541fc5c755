#include "windows/gdi/zoom_blit.h"

#include "show/zoom.h"

void GfxBlitZoomed(HDC target, int32_t x, int32_t y, int32_t width, int32_t height, HDC source,
                   int32_t srcX, int32_t srcY, int32_t zoom) {
  if (zoom <= 1) {
    BitBlt(target, x, y, width, height, source, srcX, srcY, SRCCOPY);
    return;
  }
  const int previousMode = SetStretchBltMode(target, COLORONCOLOR);
  StretchBlt(target, x * zoom, y * zoom, width * zoom, height * zoom, source, srcX, srcY, width,
             height, SRCCOPY);
  if (previousMode) SetStretchBltMode(target, previousMode);
}

RECT GfxPictureRectOfPaint(const RECT& paint, int32_t zoom) {
  if (zoom < 1) zoom = 1;
  return RECT{PictureOffset(paint.left, zoom), PictureOffset(paint.top, zoom),
              PictureOffset(paint.right + zoom - 1, zoom),
              PictureOffset(paint.bottom + zoom - 1, zoom)};
}
