// The show for a web page: plain C functions that the page's script calls on the WebAssembly
// module. One show a page; the picture is handed out as RGBA bytes, ready for an ImageData, each
// picture pixel already a zoom x zoom block, so that the canvas holds one pixel a device pixel.
#pragma once

#include <cstdint>

extern "C" {

// Starts a show on a black width x height picture seeded with `seed`, handed out at `zoom`; 0
// when it cannot be made. A second call starts a fresh scene at the new size, as a resize does.
int32_t qv_start(int32_t width, int32_t height, uint32_t seed, int32_t zoom);
// Makes the picture black at a new size and zoom with a fresh scene; 0 when it cannot be made.
int32_t qv_resize(int32_t width, int32_t height, int32_t zoom);
// Hands the same picture out at another zoom, all of it converted; 0 when it cannot be made (the
// show is then stopped).
int32_t qv_set_zoom(int32_t zoom);
// Runs one tick: the count of rectangles that changed, each as four int32 (x, y, width,
// height, in picture pixels) at qv_rects(), their pixels already written to qv_rgba().
int32_t qv_tick();
// How many of the next ticks, up to `most`, will change nothing: the page may sleep through them
// and run them when it wakes.
int32_t qv_quiet_ticks(int32_t most);
// The page's tick schedule, in its clock's milliseconds: qv_schedule starts it with the first
// tick due at `now`; qv_ticks_due says how many ticks are due at `now` (every one since the last
// wake, however late, up to 2000) and moves past them; qv_look_ahead, after they ran, lets the
// page sleep through the ticks ahead that change nothing, unless it is still behind; qv_wake_at
// is when the page must wake next.
void qv_schedule(double now, int32_t period);
int32_t qv_ticks_due(double now);
void qv_look_ahead(double now);
double qv_wake_at();
double qv_next_tick();
// The picture as RGBA bytes, alpha 255, top row first, qv_width() x qv_zoom_now() pixels a row,
// each picture pixel a qv_zoom_now() square.
uint8_t* qv_rgba();
int32_t qv_width();
int32_t qv_height();
int32_t qv_zoom_now();
// The changed rectangles of the last tick.
const int32_t* qv_rects();
// The picture zoom for a screen of width x height device pixels at `dpi` (96 per CSS pixel).
int32_t qv_zoom(int32_t width, int32_t height, int32_t dpi);
// The picture pixels `length` device pixels hold at `zoom`, at least 1.
int32_t qv_picture_length(int32_t length, int32_t zoom);
// The tick period in milliseconds for a speed; qv_speed_min() and qv_speed_max() bound speeds.
int32_t qv_period(int32_t speed);
int32_t qv_speed_min();
int32_t qv_speed_max();
}
