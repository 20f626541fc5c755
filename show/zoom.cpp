#include "show/zoom.h"

int32_t ZoomForDpi(int32_t dpi) {
  // Widened so that a hostile DPI value (a registry setting, an X resource) cannot overflow.
  const int64_t zoom = (int64_t(dpi) + 48) / 96;
  if (zoom < 1) return 1;
  return zoom > kLargestZoom ? kLargestZoom : int32_t(zoom);
}

int32_t ZoomToFit(int32_t width, int32_t height, int32_t zoom, int64_t maxPixels) {
  if (zoom < 1) zoom = 1;
  while (zoom < kLargestZoom && int64_t(width / zoom) * (height / zoom) > maxPixels) ++zoom;
  return zoom;
}

int32_t PictureLength(int32_t screenLength, int32_t zoom) {
  if (zoom < 1) zoom = 1;
  return screenLength / zoom > 0 ? screenLength / zoom : 1;
}

int32_t PictureOffset(int32_t offset, int32_t zoom) {
  if (zoom < 1) zoom = 1;
  const int64_t wide = offset;
  return int32_t(wide >= 0 ? wide / zoom : -((-wide + zoom - 1) / zoom));
}
