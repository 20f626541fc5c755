#include "core/zoom.h"

int32_t ScreenZoom = 1;

int32_t ZoomForDpi(int32_t dpi) {
  // Widened so that a hostile DPI value (a registry setting, an X resource) cannot overflow.
  const int64_t zoom = (int64_t(dpi) + 48) / 96;
  if (zoom < 1) return 1;
  return zoom > 64 ? 64 : int32_t(zoom);
}

int32_t PictureOffset(int32_t offset, int32_t zoom) {
  if (zoom < 1) zoom = 1;
  const int64_t wide = offset;
  return int32_t(wide >= 0 ? wide / zoom : -((-wide + zoom - 1) / zoom));
}
