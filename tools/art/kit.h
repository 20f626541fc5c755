// Small drawing kit on top of Cairo for the cast: flat tones with a shaded side, bold
// near-black outlines, limbs, eyes. All colours come from the sheet palette so flat areas map
// to it exactly.
#pragma once

#include <cairo.h>

#include <cmath>
#include <functional>
#include <initializer_list>
#include <utility>
#include <vector>

#include "tools/art/palette.h"

namespace kit {

inline constexpr double kPi = 3.14159265358979323846;
inline constexpr double kOutline = 4.0;  // outline width in pixels at full size

using PathFn = std::function<void(cairo_t*)>;
using Pt = std::pair<double, double>;

inline void Src(cairo_t* cr, int index) {
  const Rgb c = SheetPalette()[index];
  cairo_set_source_rgb(cr, c.r / 255.0, c.g / 255.0, c.b / 255.0);
}

// A colour with its shadow and light tones (palette indices).
struct Tone {
  int base, shadow, light;
};
inline Tone T(Hue h, int base = kBaseShade) {
  return {HueIndex(h, base), HueIndex(h, base - 3), HueIndex(h, base + 3)};
}
inline Tone White() { return {GreyIndex(27), GreyIndex(21), GreyIndex(28)}; }
inline Tone GreyTone(int level) {
  return {GreyIndex(level), GreyIndex(level - 5), GreyIndex(level + 4)};
}
inline int Ink() { return GreyIndex(0); }

// ---------------------------------------------------------------- paths
inline PathFn Ellipse(double cx, double cy, double rx, double ry) {
  return [=](cairo_t* cr) {
    cairo_save(cr);
    cairo_translate(cr, cx, cy);
    cairo_scale(cr, rx, ry);
    cairo_new_sub_path(cr);
    cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
    cairo_restore(cr);
  };
}
inline PathFn Circle(double cx, double cy, double r) { return Ellipse(cx, cy, r, r); }

inline PathFn RoundRect(double x, double y, double w, double h, double r) {
  return [=](cairo_t* cr) {
    cairo_new_sub_path(cr);
    cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
    cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
    cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
    cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
    cairo_close_path(cr);
  };
}

inline PathFn Poly(std::initializer_list<Pt> pts) {
  std::vector<Pt> v(pts);
  return [v](cairo_t* cr) {
    cairo_new_sub_path(cr);
    for (const auto& [x, y] : v) cairo_line_to(cr, x, y);
    cairo_close_path(cr);
  };
}

// A closed smooth outline through the points (Catmull-Rom turned into Bezier curves).
inline PathFn Smooth(std::initializer_list<Pt> pts) {
  std::vector<Pt> v(pts);
  return [v](cairo_t* cr) {
    const size_t n = v.size();
    cairo_new_sub_path(cr);
    cairo_move_to(cr, v[0].first, v[0].second);
    for (size_t i = 0; i < n; ++i) {
      const Pt& p0 = v[(i + n - 1) % n];
      const Pt& p1 = v[i];
      const Pt& p2 = v[(i + 1) % n];
      const Pt& p3 = v[(i + 2) % n];
      cairo_curve_to(cr, p1.first + (p2.first - p0.first) / 6,
                     p1.second + (p2.second - p0.second) / 6, p2.first - (p3.first - p1.first) / 6,
                     p2.second - (p3.second - p1.second) / 6, p2.first, p2.second);
    }
    cairo_close_path(cr);
  };
}

// Points along the quadratic Bezier curve a-b-c, for limbs and tails.
inline std::vector<Pt> Curve(Pt a, Pt b, Pt c, int steps = 16) {
  std::vector<Pt> v;
  for (int i = 0; i <= steps; ++i) {
    const double t = static_cast<double>(i) / steps, u = 1 - t;
    v.push_back({u * u * a.first + 2 * u * t * b.first + t * t * c.first,
                 u * u * a.second + 2 * u * t * b.second + t * t * c.second});
  }
  return v;
}

// ---------------------------------------------------------------- painting
inline void Fill(cairo_t* cr, const PathFn& path, int index) {
  cairo_new_path(cr);
  path(cr);
  Src(cr, index);
  cairo_fill(cr);
}

inline void Stroke(cairo_t* cr, const PathFn& path, int index, double width = kOutline) {
  cairo_new_path(cr);
  path(cr);
  Src(cr, index);
  cairo_set_line_width(cr, width);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_stroke(cr);
}

// A shape in its tone: the shadow tone shows along the lower right where the shape, moved up
// and left by `shade`, no longer covers it; then the outline.
inline void Blob(cairo_t* cr, const PathFn& path, const Tone& tone, double shade = 7,
                 double outline = kOutline) {
  cairo_save(cr);
  cairo_new_path(cr);
  path(cr);
  Src(cr, shade > 0 ? tone.shadow : tone.base);
  cairo_fill_preserve(cr);
  cairo_clip(cr);
  if (shade > 0) {
    cairo_translate(cr, -shade * 0.6, -shade);
    Fill(cr, path, tone.base);
  }
  cairo_restore(cr);
  if (outline > 0) Stroke(cr, path, Ink(), outline);
}

// A spot of light tone inside a shape (drawn after the shape).
inline void Shine(cairo_t* cr, double cx, double cy, double rx, double ry, int index,
                  double angle = -0.5) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_rotate(cr, angle);
  Fill(cr, Ellipse(0, 0, rx, ry), index);
  cairo_restore(cr);
}

// A limb: a thick round-capped line through the points, outlined.
inline void Limb(cairo_t* cr, const std::vector<Pt>& pts, double radius, int index,
                 double outline = kOutline) {
  auto path = [&](cairo_t* c) {
    cairo_new_path(c);
    for (const auto& [x, y] : pts) cairo_line_to(c, x, y);
  };
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  if (outline > 0) {
    path(cr);
    Src(cr, Ink());
    cairo_set_line_width(cr, 2 * radius + outline);
    cairo_stroke(cr);
  }
  path(cr);
  Src(cr, index);
  cairo_set_line_width(cr, 2 * radius - outline);
  cairo_stroke(cr);
}

// A plain line (whiskers, mouths, stripes).
inline void Line(cairo_t* cr, const std::vector<Pt>& pts, double width, int index = Ink()) {
  cairo_new_path(cr);
  for (const auto& [x, y] : pts) cairo_line_to(cr, x, y);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  Src(cr, index);
  cairo_set_line_width(cr, width);
  cairo_stroke(cr);
}

// An arc line (closed happy eyes, smiles): centre, radius, from/to angle.
inline void Arc(cairo_t* cr, double cx, double cy, double r, double a0, double a1, double width,
                int index = Ink()) {
  cairo_new_path(cr);
  cairo_arc(cr, cx, cy, r, a0, a1);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  Src(cr, index);
  cairo_set_line_width(cr, width);
  cairo_stroke(cr);
}

// A cartoon eye: white, pupil looking (lx, ly), glint. closed: a happy arc instead.
inline void Eye(cairo_t* cr, double cx, double cy, double rx, double ry, bool closed = false,
                double lx = 0, double ly = 0, int iris = -1) {
  if (closed) {
    Arc(cr, cx, cy + ry * 0.3, rx * 0.9, kPi * 1.15, kPi * 1.85, 4.5);
    return;
  }
  Fill(cr, Ellipse(cx, cy, rx, ry), GreyIndex(28));
  Stroke(cr, Ellipse(cx, cy, rx, ry), Ink(), 3);
  const double pr = rx * 0.62, pry = ry * 0.66;
  const double px = cx + lx * (rx - pr) * 0.8, py = cy + ly * (ry - pry) * 0.8;
  if (iris >= 0) Fill(cr, Ellipse(px, py, pr, pry), iris);
  Fill(cr, Ellipse(px, py, pr * (iris >= 0 ? 0.55 : 1), pry * (iris >= 0 ? 0.55 : 1)), Ink());
  Fill(cr, Circle(px - pr * 0.35, py - pry * 0.4, std::fmax(1.8, pr * 0.3)), GreyIndex(28));
}

// A round blush on the cheek.
inline void Blush(cairo_t* cr, double cx, double cy, double rx = 7, double ry = 4.5) {
  Fill(cr, Ellipse(cx, cy, rx, ry), HueIndex(kPink, 10));
}

// Runs the drawing with the coordinate system turned by `angle` around (cx, cy).
inline void Turned(cairo_t* cr, double cx, double cy, double angle,
                   const std::function<void()>& draw) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_rotate(cr, angle);
  cairo_translate(cr, -cx, -cy);
  draw();
  cairo_restore(cr);
}

}  // namespace kit
