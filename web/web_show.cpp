#include "web/web_show.h"

#include <cmath>
#include <cstdlib>

#include "show/embedded_images.h"
#include "show/image_decode.h"
#include "show/picture_show.h"
#include "show/speed.h"
#include "show/tick_schedule.h"
#include "show/zoom.h"

#define QV_EXPORT(name) __attribute__((export_name(#name)))

// The page reads the rectangles as four int32 each.
static_assert(sizeof(SoftRect) == 4 * sizeof(int32_t));

namespace {

SoftSheets Sheets;
bool SheetsLoaded = false;
PictureShow Shown;
bool Started = false;
int32_t Zoom = 1;
uint8_t* Rgba = nullptr;  // the picture, zoomed, in the byte order an ImageData takes
// When the page's ticks are due, in the page's clock (performance.now()).
TickSchedule Schedule = {0, 1, 0};
// A page woken after a long sleep catches up in pieces, drawing in between.
constexpr int kMostTicksAWake = 2000;
SoftRect Changed[kDrawListSlots];

// The handed-out picture stays well inside the module's 32-bit memory.
constexpr int64_t kMaxRgbaPixels = int64_t(1) << 26;

// Rows of 0x00RRGGBB words to R, G, B, 255 bytes, each pixel a Zoom x Zoom block, for a rectangle
// of the picture.
void CopyRgba(const SoftPicture& picture, const SoftRect& rect) {
  const size_t rowWords = size_t(picture.width) * Zoom;
  for (int32_t y = rect.y; y < rect.y + rect.height; ++y) {
    const uint32_t* from = picture.work + size_t(y) * picture.stride + rect.x;
    uint32_t* to =
        reinterpret_cast<uint32_t*>(Rgba) + size_t(y) * Zoom * rowWords + size_t(rect.x) * Zoom;
    for (int32_t x = 0; x < rect.width; ++x) {
      const uint32_t pixel = from[x];
      // R, G, B, 255 in memory: the module's memory is little-endian.
      const uint32_t rgba =
          0xFF000000u | (pixel & 0xFFu) << 16 | (pixel & 0xFF00u) | (pixel >> 16 & 0xFFu);
      for (int32_t i = 0; i < Zoom; ++i) to[size_t(x) * Zoom + i] = rgba;
    }
    // The block's other rows are copies of its first.
    for (int32_t row = 1; row < Zoom; ++row) {
      __builtin_memcpy(to + row * rowWords, to, size_t(rect.width) * Zoom * 4);
    }
  }
}

// The RGBA picture for the show's current size and `zoom`. A new picture is black, as is a canvas
// of a new size, and only the rectangles a tick changed are read from it, each converted first:
// all zeros will do until then.
bool MakeRgba(int32_t zoom) {
  std::free(Rgba);
  Rgba = nullptr;
  const int64_t pixels = int64_t(Shown.picture.width) * Shown.picture.height * zoom * zoom;
  if (zoom < 1 || pixels > kMaxRgbaPixels) return false;
  Zoom = zoom;
  Rgba = static_cast<uint8_t*>(std::calloc(size_t(pixels), 4));
  return Rgba != nullptr;
}

bool SizeFits(int32_t width, int32_t height) {
  return width > 0 && height > 0 && int64_t(width) * height <= kMaxImagePixels;
}

}  // namespace

extern "C" {

QV_EXPORT(qv_start) int32_t qv_start(int32_t width, int32_t height, uint32_t seed, int32_t zoom) {
  if (!SizeFits(width, height)) return 0;
  if (!SheetsLoaded) SheetsLoaded = SoftLoadProgramSheets(Sheets, EmbeddedImage);
  if (!SheetsLoaded) return 0;
  if (Started) {
    PictureShowStop(Shown);
    Started = false;
  }
  if (!PictureShowStart(Shown, Sheets, width, height, seed)) return 0;
  Started = MakeRgba(zoom);
  if (!Started) PictureShowStop(Shown);
  return Started;
}

QV_EXPORT(qv_resize) int32_t qv_resize(int32_t width, int32_t height, int32_t zoom) {
  if (!Started || !SizeFits(width, height)) return 0;
  // The fresh scene is looked at afresh from the next tick on.
  Schedule.quiet = 0;
  if (!PictureShowResize(Shown, width, height)) {
    Started = false;
    return 0;
  }
  Started = MakeRgba(zoom);
  if (!Started) PictureShowStop(Shown);
  return Started;
}

QV_EXPORT(qv_set_zoom) int32_t qv_set_zoom(int32_t zoom) {
  if (!Started) return 0;
  Started = MakeRgba(zoom);
  if (!Started) {
    PictureShowStop(Shown);
    return 0;
  }
  CopyRgba(Shown.picture, SoftRect{0, 0, Shown.picture.width, Shown.picture.height});
  return 1;
}

QV_EXPORT(qv_tick) int32_t qv_tick() {
  if (!Started) return 0;
  const int count = PictureShowTick(Shown, Changed);
  for (int i = 0; i < count; ++i) CopyRgba(Shown.picture, Changed[i]);
  return count;
}

QV_EXPORT(qv_quiet_ticks) int32_t qv_quiet_ticks(int32_t most) {
  return Started ? PictureShowQuietTicks(Shown, most) : 0;
}

QV_EXPORT(qv_schedule) void qv_schedule(double now, int32_t period) {
  Schedule = TickSchedule{int64_t(std::ceil(now)), period > 0 ? period : 1, 0};
}

QV_EXPORT(qv_ticks_due) int32_t qv_ticks_due(double now) {
  return TickScheduleCatchUp(Schedule, int64_t(std::ceil(now)), kMostTicksAWake);
}

QV_EXPORT(qv_look_ahead) void qv_look_ahead(double now) {
  // Still behind the clock: no sleeping through ticks that are already due.
  const bool behind = Schedule.nextTick <= int64_t(std::ceil(now));
  Schedule.quiet = behind || !Started ? 0 : PictureShowQuietTicks(Shown, kMostQuietTicks);
}

QV_EXPORT(qv_wake_at) double qv_wake_at() { return double(TickScheduleWakeAt(Schedule)); }
QV_EXPORT(qv_next_tick) double qv_next_tick() { return double(Schedule.nextTick); }

QV_EXPORT(qv_rgba) uint8_t* qv_rgba() { return Rgba; }
QV_EXPORT(qv_width) int32_t qv_width() { return Started ? Shown.picture.width : 0; }
QV_EXPORT(qv_height) int32_t qv_height() { return Started ? Shown.picture.height : 0; }
QV_EXPORT(qv_zoom_now) int32_t qv_zoom_now() { return Zoom; }
QV_EXPORT(qv_rects) const int32_t* qv_rects() { return &Changed[0].x; }

QV_EXPORT(qv_picture_length) int32_t qv_picture_length(int32_t length, int32_t zoom) {
  return PictureLength(length, zoom);
}

QV_EXPORT(qv_zoom) int32_t qv_zoom(int32_t width, int32_t height, int32_t dpi) {
  return ZoomToFit(width, height, ZoomForDpi(dpi), kMaxImagePixels);
}

QV_EXPORT(qv_period) int32_t qv_period(int32_t speed) { return FramePeriodForSpeed(speed); }
QV_EXPORT(qv_speed_min) int32_t qv_speed_min() { return kSpeedMin; }
QV_EXPORT(qv_speed_max) int32_t qv_speed_max() { return kSpeedMax; }
}
