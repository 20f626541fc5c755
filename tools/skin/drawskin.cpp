// drawskin: paints the settings window skin, a 344 x 560 8-bit indexed PNG.
//
//   drawskin OUT.png                the skin itself (res/skin106.png)
//   drawskin --mock OUT.png         the client area as the window shows it
//   drawskin --mock-pressed OUT.png the same with every face pressed / on
//
// Rows 224-559 hold the window background (the client area shows rows
// 224-511); rows 0-223 hold the control faces, with palette index 0 where the
// background should show through. Everything is drawn with Cairo, then mapped
// to a palette of at most 254 colours by nearest colour (no dithering). Where
// each face lies comes from the settings window's own layout table.

#include <cairo-ft.h>
#include <cairo.h>
#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tools/art/png_io.h"
#include "tools/skin/quantize.h"
#include "windows/settings/control_values.h"
#include "windows/settings/skin_layout.h"

namespace {

constexpr int kBackgroundHeight = kSkinHeight - kSkinBackgroundRow;  // 336 rows
constexpr double kPi = 3.14159265358979323846;

constexpr Rgb kKey{248, 0, 248};  // index 0: see-through

// ------------------------------------------------------------------ colours

// The whole window sticks to a handful of soft colours.
constexpr uint32_t kCream = 0xFFF6EF;      // window background
constexpr uint32_t kDotPink = 0xFBE0E7;    // polka dots
constexpr uint32_t kDotMint = 0xDDF3EB;    //
constexpr uint32_t kCard = 0xFFFFFF;       // panels
constexpr uint32_t kCardEdge = 0xF5C5D3;   //
constexpr uint32_t kCardShade = 0xF3DCDC;  // soft drop shadow under panels
constexpr uint32_t kInk = 0x5B4452;        // body text, dark mauve
constexpr uint32_t kInkSoft = 0xA58E9A;    // hints
constexpr uint32_t kPink = 0xF47C9C;       // main accent
constexpr uint32_t kPinkDeep = 0xD95A80;   //
constexpr uint32_t kPinkPale = 0xFFC9D7;   //
constexpr uint32_t kHeading = 0xE3628A;    // group headings
constexpr uint32_t kValue = 0xDE4F7C;      // the speed digits
constexpr uint32_t kBadge = 0xFFE8EE;      // under the speed value
constexpr uint32_t kMint = 0x6CCDB1;       //
constexpr uint32_t kMintDeep = 0x47A98D;   //
constexpr uint32_t kMintPale = 0xC9EEE2;   //
constexpr uint32_t kSky = 0x74BCEB;        //
constexpr uint32_t kLilac = 0xA88DE0;      //
constexpr uint32_t kSun = 0xFFCF5C;        //
constexpr uint32_t kEye = 0x4A3540;        // near-black for eyes

void SetColour(cairo_t *cr, uint32_t c, double alpha = 1.0) {
  cairo_set_source_rgba(cr, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0,
                        (c & 0xFF) / 255.0, alpha);
}

// Mixes c towards black (f > 0) or white (f < 0).
uint32_t Shade(uint32_t c, double f) {
  uint32_t out = 0;
  for (int shift = 16; shift >= 0; shift -= 8) {
    const double v = (c >> shift) & 0xFF;
    const double m = f >= 0 ? v * (1 - f) : v + (255 - v) * -f;
    out |= static_cast<uint32_t>(std::lround(m)) << shift;
  }
  return out;
}

// ------------------------------------------------------------------- fonts

struct Fonts {
  FT_Library library;
  FT_Face face;
  cairo_font_face_t *regular;
  cairo_font_face_t *bold;
};

Fonts LoadedFonts;

constexpr const char *kFontPaths[] = {
    "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf",
    "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
    "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf",
};

// Loads IPA Gothic, the regular face and a synthesised bold; false with a message when it
// cannot (fonts-ipafont-gothic).
bool LoadFonts(std::string *error) {
  if (FT_Init_FreeType(&LoadedFonts.library) != 0) {
    *error = "cannot start FreeType";
    return false;
  }
  for (const char *path : kFontPaths)
    if (FT_New_Face(LoadedFonts.library, path, 0, &LoadedFonts.face) == 0) break;
  if (LoadedFonts.face == nullptr) {
    FT_Done_FreeType(LoadedFonts.library);
    *error = "IPA Gothic not found (fonts-ipafont-gothic)";
    return false;
  }
  LoadedFonts.regular = cairo_ft_font_face_create_for_ft_face(LoadedFonts.face, 0);
  LoadedFonts.bold = cairo_ft_font_face_create_for_ft_face(LoadedFonts.face, 0);
  cairo_ft_font_face_set_synthesize(LoadedFonts.bold, CAIRO_FT_SYNTHESIZE_BOLD);
  return true;
}

void FreeFonts() {
  cairo_font_face_destroy(LoadedFonts.regular);
  cairo_font_face_destroy(LoadedFonts.bold);
  cairo_debug_reset_static_data();  // drops cairo's hold on the FreeType face
  FT_Done_Face(LoadedFonts.face);
  FT_Done_FreeType(LoadedFonts.library);
  LoadedFonts = Fonts{};
}

void UseFont(cairo_t *cr, double size, bool bold) {
  cairo_set_font_face(cr, bold ? LoadedFonts.bold : LoadedFonts.regular);
  cairo_set_font_size(cr, size);
  cairo_font_options_t *options = cairo_font_options_create();
  cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
  cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
  cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
  cairo_set_font_options(cr, options);
  cairo_font_options_destroy(options);
}

struct Font {
  double size;
  bool bold;
};

double Advance(cairo_t *cr, const char *s, Font f) {
  UseFont(cr, f.size, f.bold);
  cairo_text_extents_t e;
  cairo_text_extents(cr, s, &e);
  return e.x_advance;
}

// Text with its baseline at y, starting at x.
void Text(cairo_t *cr, const char *s, double x, double y, Font f, uint32_t colour) {
  UseFont(cr, f.size, f.bold);
  SetColour(cr, colour);
  cairo_move_to(cr, std::round(x), std::round(y));
  cairo_show_text(cr, s);
}

// Text whose ink is centred on (cx, cy), snapped to whole pixels.
void CentredText(cairo_t *cr, const char *s, double cx, double cy, Font f, uint32_t colour) {
  UseFont(cr, f.size, f.bold);
  cairo_text_extents_t e;
  cairo_text_extents(cr, s, &e);
  const double x = std::round(cx - e.width / 2 - e.x_bearing);
  const double y = std::round(cy - e.height / 2 - e.y_bearing);
  SetColour(cr, colour);
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, s);
}

// ------------------------------------------------------------------ shapes

void RoundRect(cairo_t *cr, double x, double y, double w, double h, double r) {
  r = std::min({r, w / 2, h / 2});
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
  cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
  cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
  cairo_close_path(cr);
}

void Disc(cairo_t *cr, double cx, double cy, double r, uint32_t colour) {
  cairo_new_path(cr);
  cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
  SetColour(cr, colour);
  cairo_fill(cr);
}

void Oval(cairo_t *cr, double cx, double cy, double rx, double ry, uint32_t colour) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, rx, ry);
  cairo_new_path(cr);
  cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
  cairo_restore(cr);
  SetColour(cr, colour);
  cairo_fill(cr);
}

// A four-pointed twinkle.
void Twinkle(cairo_t *cr, double cx, double cy, double r, uint32_t colour) {
  cairo_new_path(cr);
  const double k = r * 0.28;
  cairo_move_to(cr, cx, cy - r);
  cairo_curve_to(cr, cx + k * 0.3, cy - k, cx + k, cy - k * 0.3, cx + r, cy);
  cairo_curve_to(cr, cx + k, cy + k * 0.3, cx + k * 0.3, cy + k, cx, cy + r);
  cairo_curve_to(cr, cx - k * 0.3, cy + k, cx - k, cy + k * 0.3, cx - r, cy);
  cairo_curve_to(cr, cx - k, cy - k * 0.3, cx - k * 0.3, cy - k, cx, cy - r);
  cairo_close_path(cr);
  SetColour(cr, colour);
  cairo_fill(cr);
}

// A five-pointed star with softened tips.
void Star(cairo_t *cr, double cx, double cy, double r, uint32_t colour) {
  cairo_new_path(cr);
  for (int i = 0; i < 10; ++i) {
    const double a = -kPi / 2 + i * kPi / 5;
    const double rr = i % 2 == 0 ? r : r * 0.48;
    cairo_line_to(cr, cx + rr * std::cos(a), cy + rr * std::sin(a));
  }
  cairo_close_path(cr);
  SetColour(cr, colour);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_width(cr, r * 0.3);
  cairo_fill_preserve(cr);
  cairo_stroke(cr);
}

// An eighth note.
void Note(cairo_t *cr, double x, double y, double s, uint32_t colour) {
  // (x, y) is the centre of the note head; s its size.
  Oval(cr, x, y, s * 0.62, s * 0.46, colour);
  SetColour(cr, colour);
  cairo_set_line_width(cr, s * 0.26);
  cairo_new_path(cr);
  const double stemX = x + s * 0.5;
  cairo_move_to(cr, stemX, y);
  cairo_line_to(cr, stemX, y - s * 2.1);
  cairo_stroke(cr);
  cairo_new_path(cr);
  cairo_move_to(cr, stemX, y - s * 2.1);
  cairo_curve_to(cr, stemX + s * 0.2, y - s * 1.4, stemX + s * 1.3, y - s * 1.5, stemX + s * 0.9,
                 y - s * 0.7);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_stroke(cr);
}

// ------------------------------------------------------------------ images

struct Image {
  int w = 0, h = 0;
  std::vector<uint32_t> px;  // 0xRRGGBB
  uint32_t at(int x, int y) const { return px[size_t(y) * w + x]; }
};

// One pixel of a Cairo image surface, premultiplied 0xAARRGGBB.
uint32_t SurfacePixel(cairo_surface_t *surface, int x, int y) {
  cairo_surface_flush(surface);
  const unsigned char *data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  uint32_t v;
  std::memcpy(&v, data + size_t(y) * stride + size_t(x) * 4, 4);
  return v;
}

Image OpaqueImage(cairo_surface_t *surface) {
  Image img{cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface), {}};
  img.px.resize(size_t(img.w) * img.h);
  for (int y = 0; y < img.h; ++y)
    for (int x = 0; x < img.w; ++x)
      img.px[size_t(y) * img.w + x] = SurfacePixel(surface, x, y) & 0xFFFFFF;
  return img;
}

// ------------------------------------------------------------- background

// Everything below is in client coordinates: client (x, y) is skin
// (x, y + 224). The background canvas is 344 x 336, the extra rows at the
// bottom carrying on the pattern.

struct Panel {
  double x, y, w, h;
};
constexpr Panel kSpeedPanel{34, 86, 282, 82};
constexpr Panel kMusicPanel{34, 178, 282, 46};

void PaintPanel(cairo_t *cr, Panel p) {
  RoundRect(cr, p.x, p.y + 2, p.w, p.h, 12);
  SetColour(cr, kCardShade);
  cairo_fill(cr);
  RoundRect(cr, p.x + 0.5, p.y + 0.5, p.w - 1, p.h - 1, 12);
  SetColour(cr, kCard);
  cairo_fill_preserve(cr);
  SetColour(cr, kCardEdge);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
}

void PaintTitle(cairo_t *cr) {
  // "ミルカド", one soft colour per letter, outlined in white.
  static const char *const kLetters[] = {"ミ", "ル", "カ", "ド"};
  static const uint32_t kColours[] = {kPink, kMint, kSky, kLilac};
  const Font f{34, true};
  const double spacing = 3;
  double total = -spacing;
  for (const char *l : kLetters) total += Advance(cr, l, f) + spacing;
  const double baseline = 46;
  for (int pass = 0; pass < 3; ++pass) {
    double x = std::round(172 - total / 2);
    for (int i = 0; i < 4; ++i) {
      UseFont(cr, f.size, f.bold);
      cairo_new_path(cr);
      const double dy = pass == 0 ? 3 : 0;
      cairo_move_to(cr, x, baseline + dy);
      cairo_text_path(cr, kLetters[i]);
      cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
      if (pass == 0) {  // shadow
        SetColour(cr, kCardShade);
        cairo_set_line_width(cr, 8);
        cairo_stroke_preserve(cr);
        cairo_fill(cr);
      } else if (pass == 1) {  // white rim
        SetColour(cr, kCard);
        cairo_set_line_width(cr, 8);
        cairo_stroke(cr);
      } else {
        SetColour(cr, kColours[i]);
        cairo_fill(cr);
      }
      x += Advance(cr, kLetters[i], f) + spacing;
    }
  }
  Twinkle(cr, 78, 22, 7, kSun);
  Twinkle(cr, 92, 44, 4, kPinkPale);
  Twinkle(cr, 262, 18, 5, kSky);
  Twinkle(cr, 272, 40, 8, kSun);
  Star(cr, 60, 46, 4, kPinkPale);
  Star(cr, 290, 26, 3.5, kMintPale);

  // A white ribbon under the title.
  const char *sub = "スクリーンセーバーの せってい";
  const Font sf{11, false};
  const double w = std::round(Advance(cr, sub, sf)) + 24;
  RoundRect(cr, std::round(172 - w / 2) + 0.5, 58.5, w, 17, 8.5);
  SetColour(cr, kCard);
  cairo_fill_preserve(cr);
  SetColour(cr, kCardEdge);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  CentredText(cr, sub, 172.5, 67, sf, kInkSoft);
}

// The two little characters sitting at the bottom left.
void PaintFriends(cairo_t *cr) {
  Oval(cr, 60, 276, 44, 4.5, kCardShade);  // ground shadow

  // A round pink cat.
  const double cx = 46, cy = 258;
  for (int side = -1; side <= 1; side += 2) {
    cairo_new_path(cr);
    cairo_move_to(cr, cx + side * 17, cy - 8);
    cairo_line_to(cr, cx + side * 15, cy - 25);
    cairo_line_to(cr, cx + side * 4, cy - 16);
    cairo_close_path(cr);
    SetColour(cr, kPink);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, 4);
    cairo_fill_preserve(cr);
    cairo_stroke(cr);
  }
  Oval(cr, cx, cy, 22, 18, kPink);
  Oval(cr, cx, cy + 2, 17, 13, 0xF998B2);
  Disc(cr, cx - 7, cy - 1, 2.2, kEye);
  Disc(cr, cx + 7, cy - 1, 2.2, kEye);
  Disc(cr, cx - 6.3, cy - 1.8, 0.8, kCard);
  Disc(cr, cx + 7.7, cy - 1.8, 0.8, kCard);
  Oval(cr, cx - 12, cy + 4, 3.5, 2.2, kPinkPale);
  Oval(cr, cx + 12, cy + 4, 3.5, 2.2, kPinkPale);
  SetColour(cr, kEye);
  cairo_set_line_width(cr, 1.2);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_new_path(cr);
  cairo_arc_negative(cr, cx - 2, cy + 3, 2, kPi, 0);
  cairo_new_sub_path(cr);
  cairo_arc_negative(cr, cx + 2, cy + 3, 2, kPi, 0);
  cairo_stroke(cr);

  // A small mint sprout.
  const double mx = 88, my = 265;
  SetColour(cr, kMintDeep);
  cairo_set_line_width(cr, 1.6);
  cairo_new_path(cr);
  cairo_move_to(cr, mx, my - 10);
  cairo_line_to(cr, mx, my - 15);
  cairo_stroke(cr);
  Oval(cr, mx - 4, my - 17, 4, 2.2, kMintDeep);
  Oval(cr, mx + 4, my - 17, 4, 2.2, kMint);
  Oval(cr, mx, my, 13, 11, kMint);
  Oval(cr, mx, my + 1.5, 9.5, 7.5, 0x8BD9C2);
  Disc(cr, mx - 4.5, my - 0.5, 1.7, kEye);
  Disc(cr, mx + 4.5, my - 0.5, 1.7, kEye);
  Oval(cr, mx - 8, my + 3, 2.4, 1.5, kPinkPale);
  Oval(cr, mx + 8, my + 3, 2.4, 1.5, kPinkPale);

  Note(cr, 108, 236, 3, kPinkPale);
}

void PaintBackground(cairo_t *cr) {
  SetColour(cr, kCream);
  cairo_paint(cr);

  // Polka dots, pink and mint by turns, over all 336 rows.
  for (int row = 0; row * 18 < kBackgroundHeight + 18; ++row)
    for (int col = -1; col * 24 < kSkinWidth + 24; ++col) {
      const double x = col * 24 + (row % 2 == 0 ? 6 : 18);
      const double y = row * 18 + 6;
      Disc(cr, x, y, 2.5, (row + col) % 2 == 0 ? kDotPink : kDotMint);
    }

  // Scalloped trim along the top.
  SetColour(cr, kPinkPale);
  cairo_rectangle(cr, 0, 0, kSkinWidth, 3);
  cairo_fill(cr);
  for (int x = 0; x <= kSkinWidth; x += 12) Disc(cr, x + 6, 3, 5, kPinkPale);

  PaintTitle(cr);

  PaintPanel(cr, kSpeedPanel);
  PaintPanel(cr, kMusicPanel);

  // Speed group: heading above the label, minus / slider / plus rows.
  const Font heading{13, true};
  const Font hint{11, false};
  Star(cr, 54, 98, 5.5, kSun);
  Text(cr, "スピード", 64, 103, heading, kHeading);
  Text(cr, "キャラクターの うごく はやさ", 137, 103, hint, kInkSoft);
  // A little badge the speed digits sit on.
  RoundRect(cr, 121.5, 114.5, 31, 19, 9.5);
  SetColour(cr, kBadge);
  cairo_fill_preserve(cr);
  SetColour(cr, kCardEdge);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  // Tiny captions for the two ends of the slider, on the label row.
  Text(cr, "ゆっくり", 193, 128, hint, kMintDeep);
  Text(cr, "はやい", 263, 128, hint, kPinkDeep);
  SetColour(cr, kInkSoft);
  cairo_set_line_width(cr, 1);
  cairo_new_path(cr);
  cairo_move_to(cr, 240, 123.5);
  cairo_line_to(cr, 258, 123.5);
  cairo_stroke(cr);

  // Music group: the toggle on the left, its heading and hint to the right.
  Note(cr, 157, 199, 3.2, kHeading);
  Text(cr, "おんがく", 168, 200, heading, kHeading);
  Text(cr, "BGM を ならします", 168, 215, hint, kInkSoft);

  PaintFriends(cr);
}

// ------------------------------------------------------------------ faces

struct Look {
  uint32_t body, top, lip, edge, ink;
};

constexpr Look kPinkLook{kPink, 0xF895B0, kPinkDeep, 0xCF5479, 0xFFFFFF};
constexpr Look kMintLook{kMint, 0x88D8C1, kMintDeep, 0x41A286, 0xFFFFFF};
constexpr Look kWhiteLook{0xFFFFFF, 0xFFFFFF, 0xDCCFDA, 0xCDBCCB, kInk};
constexpr Look kGreyLook{0xE7E0EA, 0xEFEAF1, 0xC5B8CA, 0xB9ABBE, 0x7D6B86};

constexpr double kLip = 3;  // depth of the raised edge under a face

// Paints a raised (or pushed-in) rounded face filling w x h and returns the
// vertical centre of its top surface.
double PaintFace(cairo_t *cr, int w, int h, double r, const Look &look, bool pressed) {
  cairo_set_line_width(cr, 1);
  RoundRect(cr, 0.5, 0.5, w - 1, h - 1, r);
  SetColour(cr, pressed ? Shade(look.lip, 0.08) : look.lip);
  cairo_fill(cr);

  const double top = pressed ? kLip - 1 : 0;
  const double bodyH = h - kLip;
  RoundRect(cr, 0.5, top + 0.5, w - 1, bodyH - 1, r);
  if (pressed) {
    // Pushed in: darker, with a shadow along the upper inside edge.
    cairo_save(cr);
    cairo_clip_preserve(cr);
    SetColour(cr, Shade(look.body, 0.22));
    cairo_fill(cr);
    RoundRect(cr, 1.5, top + 2.5, w - 3, bodyH - 2, r);
    SetColour(cr, Shade(look.body, 0.1));
    cairo_fill(cr);
    cairo_restore(cr);
  } else {
    cairo_save(cr);
    cairo_clip_preserve(cr);
    SetColour(cr, look.body);
    cairo_fill(cr);
    cairo_rectangle(cr, 0, 0, w, std::round(bodyH * 0.45));
    SetColour(cr, look.top);
    cairo_fill(cr);
    cairo_restore(cr);
  }

  RoundRect(cr, 0.5, 0.5, w - 1, h - 1, r);
  SetColour(cr, look.edge);
  cairo_stroke(cr);
  return top + bodyH / 2;
}

void PaintTextButton(cairo_t *cr, const char *label, const Look &look, bool pressed) {
  const double cy = PaintFace(cr, 96, 32, 10, look, pressed);
  const Font f{14, true};
  CentredText(cr, label, 48 + (pressed ? 1 : 0), cy, f, pressed ? Shade(look.ink, 0.08) : look.ink);
}

void PaintToggle(cairo_t *cr, bool on, bool pressed) {
  const Look &look = on ? kMintLook : kGreyLook;
  const double cy = PaintFace(cr, 80, 28, 12.5, look, pressed);
  const double dx = pressed ? 1 : 0;
  const double knobX = (on ? 66 : 14) + dx;
  Disc(cr, knobX, cy, 8, pressed ? Shade(look.lip, 0.1) : look.lip);
  Disc(cr, knobX, cy - 0.5, 7.5, pressed ? 0xF0ECF2 : 0xFFFFFF);
  if (on)
    Note(cr, knobX - 1.4, cy + 2.2, 1.6, kMintDeep);
  else {
    SetColour(cr, 0xC5B8CA);
    cairo_set_line_width(cr, 1.6);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_new_path(cr);
    cairo_move_to(cr, knobX - 2.5, cy - 0.5);
    cairo_line_to(cr, knobX + 2.5, cy - 0.5);
    cairo_stroke(cr);
  }
  const Font f{11, true};
  CentredText(cr, on ? "BGM オン" : "BGM オフ", (on ? 31 : 49) + dx, cy, f, look.ink);
}

void PaintRoundButton(cairo_t *cr, bool plus, bool pressed) {
  const Look &look = plus ? kPinkLook : kMintLook;
  const double cy = PaintFace(cr, 28, 28, 14, look, pressed);
  const double cx = 14 + (pressed ? 0.5 : 0);
  SetColour(cr, pressed ? Shade(0xFFFFFF, 0.06) : 0xFFFFFF);
  cairo_set_line_width(cr, 3);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_new_path(cr);
  cairo_move_to(cr, cx - 5, std::round(cy) + 0.5);
  cairo_line_to(cr, cx + 5, std::round(cy) + 0.5);
  if (plus) {
    cairo_move_to(cr, cx, std::round(cy) + 0.5 - 5);
    cairo_line_to(cr, cx, std::round(cy) + 0.5 + 5);
  }
  cairo_stroke(cr);
}

void PaintTrack(cairo_t *cr) {
  RoundRect(cr, 5.5, 10.5, 189, 8, 4);
  cairo_pattern_t *p = cairo_pattern_create_linear(5, 0, 195, 0);
  cairo_pattern_add_color_stop_rgb(p, 0, 0xC9 / 255.0, 0xEE / 255.0, 0xE2 / 255.0);
  cairo_pattern_add_color_stop_rgb(p, 1, 0xFF / 255.0, 0xC4 / 255.0, 0xD3 / 255.0);
  cairo_set_source(cr, p);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(p);
  SetColour(cr, 0xE3C3CF);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  // A dot under the knob's middle at each speed's place.
  const int step = kKnobTravel / (kSpeedMax - kSpeedMin);
  for (int k = 0; k <= kSpeedMax - kSpeedMin; ++k)
    Disc(cr, kKnobSize / 2 + step * k, 14.5, 2, 0xFFFFFF);
}

void PaintKnob(cairo_t *cr) {
  Disc(cr, 14, 15, 12.5, kPinkDeep);
  Disc(cr, 14, 13, 12.5, kPink);
  Disc(cr, 14, 13, 10.5, 0xFFFFFF);
  // A little face.
  Disc(cr, 10.5, 12, 1.5, kEye);
  Disc(cr, 17.5, 12, 1.5, kEye);
  Oval(cr, 8, 15.5, 2.2, 1.4, kPinkPale);
  Oval(cr, 20, 15.5, 2.2, 1.4, kPinkPale);
  SetColour(cr, kEye);
  cairo_set_line_width(cr, 1);
  cairo_new_path(cr);
  cairo_arc_negative(cr, 14, 14.5, 1.6, kPi, 0);
  cairo_stroke(cr);
}

// Digits are drawn as rounded strokes, 9 x 12 px in the middle of the cell,
// so they match the soft look of the faces (and "1" reads as a one).
constexpr double kDigitL = 3.5, kDigitR = 12.5, kDigitT = 2.5, kDigitB = 13.5;

double Radians(double degrees) { return degrees * kPi / 180; }

void DigitPath(cairo_t *cr, int digit) {
  const double l = kDigitL, r = kDigitR, t = kDigitT, b = kDigitB;
  const double cx = (l + r) / 2;
  cairo_new_path(cr);
  switch (digit) {
    case 0:
      RoundRect(cr, l + 0.5, t, r - l - 1, b - t, 4);
      break;
    case 1:
      cairo_move_to(cr, cx - 2.5, t + 2.2);
      cairo_line_to(cr, cx + 0.5, t);
      cairo_line_to(cr, cx + 0.5, b);
      break;
    case 2:
      cairo_arc(cr, cx, t + 3.3, 3.3, Radians(190), Radians(20));
      cairo_line_to(cr, l + 0.3, b);
      cairo_line_to(cr, r, b);
      break;
    case 3:
      cairo_arc(cr, cx, t + 2.7, 2.7, Radians(200), Radians(90));
      cairo_new_sub_path(cr);
      cairo_arc(cr, cx, b - 3.15, 3.15, Radians(-90), Radians(155));
      break;
    case 4:
      cairo_move_to(cr, cx + 2.2, b);
      cairo_line_to(cr, cx + 2.2, t);
      cairo_line_to(cr, l, t + 7.8);
      cairo_line_to(cr, r, t + 7.8);
      break;
    case 5:
      cairo_move_to(cr, r - 0.5, t);
      cairo_line_to(cr, l + 1, t);
      cairo_line_to(cr, l + 0.5, t + 5);
      cairo_arc(cr, cx, b - 3.6, 3.6, Radians(-130), Radians(150));
      break;
    case 6:
    case 9:
      if (digit == 9) {  // a six turned upside down
        cairo_translate(cr, 2 * cx, t + b);
        cairo_scale(cr, -1, -1);
      }
      cairo_arc(cr, cx, b - 3.5, 3.5, 0, 2 * kPi);
      cairo_new_sub_path(cr);
      cairo_move_to(cr, r - 1.5, t + 0.3);
      cairo_curve_to(cr, l + 2, t + 0.5, l + 0.5, t + 4.5, l + 1, b - 3.5);
      break;
    case 7:
      cairo_move_to(cr, l, t);
      cairo_line_to(cr, r, t);
      cairo_line_to(cr, cx - 0.5, b);
      break;
    case 8:
      cairo_arc(cr, cx, t + 2.7, 2.7, 0, 2 * kPi);
      cairo_new_sub_path(cr);
      cairo_arc(cr, cx, b - 3.2, 3.2, 0, 2 * kPi);
      break;
  }
}

void PaintDigit(cairo_t *cr, int digit) {
  cairo_save(cr);
  DigitPath(cr, digit);
  cairo_restore(cr);
  SetColour(cr, kValue);
  cairo_set_line_width(cr, 2.2);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_stroke(cr);
}

void PaintSpeedLabel(cairo_t *cr) {
  // Sit on the same baseline as the digits' feet.
  Text(cr, "はやさ", 2, std::floor(kDigitB) + 0.5, Font{13, true}, kInk);
}

// ------------------------------------------------------------- assembling

struct Skin {
  std::vector<uint32_t> rgb = std::vector<uint32_t>(size_t(kSkinWidth) * kSkinHeight);
  std::vector<bool> solid = std::vector<bool>(size_t(kSkinWidth) * kSkinHeight);
};

// Lays a face painted on a transparent surface over its backdrop (what the
// window shows under it) and stores it at skin (sx, sy). Pixels the face
// barely covers stay see-through.
void PlaceFace(Skin &skin, cairo_surface_t *face, const Image &backdrop, int bx, int by, int sx,
               int sy) {
  const int width = cairo_image_surface_get_width(face);
  const int height = cairo_image_surface_get_height(face);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint32_t p = SurfacePixel(face, x, y);
      const uint32_t a = p >> 24;
      const size_t i = size_t(sy + y) * kSkinWidth + (sx + x);
      if (a < 40) {
        skin.solid[i] = false;
        continue;
      }
      const uint32_t under = backdrop.at(bx + x, by + y);
      uint32_t out = 0;
      for (int shift = 16; shift >= 0; shift -= 8) {
        const uint32_t f = (p >> shift) & 0xFF;
        const uint32_t b = (under >> shift) & 0xFF;
        const uint32_t v = f + (b * (255 - a) + 127) / 255;
        out |= std::min<uint32_t>(v, 255) << shift;
      }
      skin.rgb[i] = out;
      skin.solid[i] = true;
    }
}

// Paints a w x h face on a transparent surface.
template <typename Paint>
cairo_surface_t *PaintedFace(int w, int h, Paint paint) {
  cairo_surface_t *surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t *cr = cairo_create(surface);
  paint(cr);
  cairo_destroy(cr);
  return surface;
}

// Paints a face of `control`'s size and stores it at skin (sx, sy) over the background at the
// control's place, shifted right by `dx` (the knob's offset on the track).
template <typename Paint>
void DrawFace(Skin &skin, SkinControl control, const Image &backdrop, int sx, int sy, Paint paint,
              int w = 0, int h = 0, int dx = 0) {
  const SkinControlLayout &c = kSkinControls[control];
  cairo_surface_t *surface = PaintedFace(w != 0 ? w : c.width, h != 0 ? h : c.height, paint);
  PlaceFace(skin, surface, backdrop, c.x + dx, c.y, sx, sy);
  cairo_surface_destroy(surface);
}

Skin DrawSkin() {
  Skin skin;
  cairo_surface_t *back =
      cairo_image_surface_create(CAIRO_FORMAT_RGB24, kSkinWidth, kBackgroundHeight);
  cairo_t *cr = cairo_create(back);
  PaintBackground(cr);
  cairo_destroy(cr);
  const Image bg = OpaqueImage(back);
  cairo_surface_destroy(back);
  for (int y = 0; y < kBackgroundHeight; ++y)
    for (int x = 0; x < kSkinWidth; ++x) {
      const size_t i = size_t(y + kSkinBackgroundRow) * kSkinWidth + x;
      skin.rgb[i] = bg.at(x, y);
      skin.solid[i] = true;
    }

  for (int pressed = 0; pressed < 2; ++pressed) {
    const bool p = pressed != 0;
    // The source of a control's face, normal or pressed.
    auto source = [&](SkinControl control) {
      return kSkinControls[control].srcY + kSkinControls[control].faceOffset * pressed;
    };
    DrawFace(skin, CONTROL_OK, bg, kSkinControls[CONTROL_OK].srcX, source(CONTROL_OK),
             [&](cairo_t *cr) { PaintTextButton(cr, "OK", kPinkLook, p); });
    DrawFace(skin, CONTROL_CANCEL, bg, kSkinControls[CONTROL_CANCEL].srcX, source(CONTROL_CANCEL),
             [&](cairo_t *cr) { PaintTextButton(cr, "キャンセル", kWhiteLook, p); });
    DrawFace(skin, CONTROL_WAVMODE, bg, kSkinControls[CONTROL_WAVMODE].srcX,
             source(CONTROL_WAVMODE), [&](cairo_t *cr) { PaintToggle(cr, false, p); });
    DrawFace(skin, CONTROL_WAVMODE, bg, kMusicOnSrcX, source(CONTROL_WAVMODE),
             [&](cairo_t *cr) { PaintToggle(cr, true, p); });
    DrawFace(skin, CONTROL_MNUM, bg, kSkinControls[CONTROL_MNUM].srcX, source(CONTROL_MNUM),
             [&](cairo_t *cr) { PaintRoundButton(cr, false, p); });
    DrawFace(skin, CONTROL_PNUM, bg, kSkinControls[CONTROL_PNUM].srcX, source(CONTROL_PNUM),
             [&](cairo_t *cr) { PaintRoundButton(cr, true, p); });
  }

  const SkinControlLayout &bar = kSkinControls[CONTROL_BAR];
  DrawFace(skin, CONTROL_BAR, bg, bar.srcX, bar.srcY, PaintTrack);
  // The knob rides on the track; blend its rim against the track on the background.
  Image underKnob = bg;
  {
    cairo_surface_t *track = PaintedFace(bar.width, bar.height, PaintTrack);
    Skin tmp;
    PlaceFace(tmp, track, bg, bar.x, bar.y, 0, 0);
    cairo_surface_destroy(track);
    for (int y = 0; y < bar.height; ++y)
      for (int x = 0; x < bar.width; ++x)
        if (tmp.solid[size_t(y) * kSkinWidth + x])
          underKnob.px[size_t(bar.y + y) * kSkinWidth + bar.x + x] =
              tmp.rgb[size_t(y) * kSkinWidth + x];
  }
  // Blended where the knob sits for the middle speed.
  DrawFace(skin, CONTROL_BAR, underKnob, kKnobSrcX, kKnobSrcY, PaintKnob, kKnobSize, kKnobSize,
           kKnobTravel / 2);

  for (int k = 0; k < kDigitBlank; ++k)
    DrawFace(skin, CONTROL_DSPNUMLO, bg, kDigitSrcX + kDigitSize * k, kDigitSrcY,
             [&](cairo_t *cr) { PaintDigit(cr, k); });
  const SkinControlLayout &label = kSkinControls[CONTROL_NUMTXT];
  DrawFace(skin, CONTROL_NUMTXT, bg, label.srcX, label.srcY, PaintSpeedLabel);
  return skin;
}

// ------------------------------------------------------------------ output

// Maps the painting to a palette of the key colour (index 0, where the background shows
// through) and at most 254 more; false with a message when an index falls where the program
// cannot have it.
bool Quantise(const Skin &skin, IndexedImage *out, std::string *error) {
  std::vector<uint32_t> used;
  for (size_t i = 0; i < skin.rgb.size(); ++i)
    if (skin.solid[i]) used.push_back(skin.rgb[i]);
  const std::vector<Rgb> colours = BuildPalette(used, 254);

  out->width = kSkinWidth;
  out->height = kSkinHeight;
  out->palette.assign(256, Rgb{0, 0, 0});
  out->palette[0] = kKey;
  for (size_t i = 0; i < colours.size(); ++i) out->palette[i + 1] = colours[i];
  out->pixels.assign(size_t(kSkinWidth) * kSkinHeight, 0);
  for (size_t i = 0; i < skin.rgb.size(); ++i)
    out->pixels[i] =
        skin.solid[i] ? static_cast<uint8_t>(1 + NearestColour(colours, skin.rgb[i])) : 0;
  // How far the mapping strays from the painting, for the curious.
  double sum = 0;
  int worst = 0;
  size_t exact = 0;
  for (size_t i = 0; i < skin.rgb.size(); ++i) {
    if (!skin.solid[i]) continue;
    const Rgb q = out->palette[out->pixels[i]];
    const uint32_t c = skin.rgb[i];
    const int d = std::max({std::abs(int((c >> 16) & 0xFF) - q.r),
                            std::abs(int((c >> 8) & 0xFF) - q.g), std::abs(int(c & 0xFF) - q.b)});
    sum += d;
    worst = std::max(worst, d);
    exact += d == 0;
  }
  std::fprintf(stderr,
               "drawskin: %zu colours; %zu of %zu pixels exact, mean error "
               "%.2f, worst %d\n",
               colours.size(), exact, used.size(), sum / used.size(), worst);
  // The program relies on these: index 0 only among the faces, 255 unused.
  for (size_t i = 0; i < out->pixels.size(); ++i)
    if (out->pixels[i] == 255 ||
        (out->pixels[i] == 0 && i >= size_t(kSkinBackgroundRow) * kSkinWidth)) {
      *error = "palette index out of place";
      return false;
    }
  return true;
}

// The client area as the program paints it, from the finished indexed skin: every face
// normal with speed 3 and the music off, or every face pressed with speed 5 and the music on.
bool WriteMock(const std::string &path, const IndexedImage &skin, bool pressed,
               std::string *error) {
  std::vector<uint8_t> rgb(size_t(kSkinWidth) * kSkinClientHeight * 3);
  auto put = [&](int cx, int cy, uint8_t idx) {
    const Rgb c = skin.palette[idx];
    uint8_t *p = &rgb[(size_t(cy) * kSkinWidth + cx) * 3];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
  };
  for (int y = 0; y < kSkinClientHeight; ++y)
    for (int x = 0; x < kSkinWidth; ++x)
      put(x, y, skin.pixels[size_t(y + kSkinBackgroundRow) * kSkinWidth + x]);
  auto blit = [&](int sx, int sy, int w, int h, int cx, int cy) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint8_t idx = skin.pixels[size_t(sy + y) * kSkinWidth + sx + x];
        if (idx != 0) put(cx + x, cy + y, idx);
      }
  };
  auto face = [&](SkinControl control, int srcX) {
    const SkinControlLayout &c = kSkinControls[control];
    blit(srcX, c.srcY + (pressed ? c.faceOffset : 0), c.width, c.height, c.x, c.y);
  };
  const int speed = pressed ? 5 : 3;
  face(CONTROL_OK, kSkinControls[CONTROL_OK].srcX);
  face(CONTROL_CANCEL, kSkinControls[CONTROL_CANCEL].srcX);
  face(CONTROL_WAVMODE, pressed ? kMusicOnSrcX : kSkinControls[CONTROL_WAVMODE].srcX);
  face(CONTROL_BAR, kSkinControls[CONTROL_BAR].srcX);
  const SkinControlLayout &bar = kSkinControls[CONTROL_BAR];
  blit(kKnobSrcX, kKnobSrcY, kKnobSize, kKnobSize,
       bar.x + (speed - kSpeedMin) * kKnobTravel / (kSpeedMax - kSpeedMin), bar.y);
  face(CONTROL_MNUM, kSkinControls[CONTROL_MNUM].srcX);
  face(CONTROL_PNUM, kSkinControls[CONTROL_PNUM].srcX);
  face(CONTROL_NUMTXT, kSkinControls[CONTROL_NUMTXT].srcX);
  const SkinControlLayout &tens = kSkinControls[CONTROL_DSPNUMHI];
  const SkinControlLayout &units = kSkinControls[CONTROL_DSPNUMLO];
  blit(kDigitSrcX + kDigitSize * kDigitBlank, kDigitSrcY, kDigitSize, kDigitSize, tens.x, tens.y);
  blit(kDigitSrcX + kDigitSize * speed, kDigitSrcY, kDigitSize, kDigitSize, units.x, units.y);
  return WriteRgbPng(path, kSkinWidth, kSkinClientHeight, rgb, error);
}

}  // namespace

int main(int argc, char **argv) {
  std::string mode;
  const char *out = nullptr;
  if (argc == 2) {
    out = argv[1];
  } else if (argc == 3 &&
             (std::strcmp(argv[1], "--mock") == 0 || std::strcmp(argv[1], "--mock-pressed") == 0)) {
    mode = argv[1];
    out = argv[2];
  } else {
    std::fprintf(stderr,
                 "usage: drawskin OUT.png\n"
                 "       drawskin --mock OUT.png\n"
                 "       drawskin --mock-pressed OUT.png\n");
    return 2;
  }
  std::string error;
  if (!LoadFonts(&error)) {
    std::fprintf(stderr, "drawskin: %s\n", error.c_str());
    return 1;
  }
  IndexedImage indexed;
  const bool mapped = Quantise(DrawSkin(), &indexed, &error);
  FreeFonts();
  const bool written =
      mapped && (mode.empty() ? WriteIndexedPng(out, indexed, &error)
                              : WriteMock(out, indexed, mode == "--mock-pressed", &error));
  if (!written) {
    std::fprintf(stderr, "drawskin: %s\n", error.c_str());
    return 1;
  }
  return 0;
}
