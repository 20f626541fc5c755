// drawskin: paints the settings window skin, a 344 x 560 8-bit indexed PNG.
//
//   drawskin OUT.png                the skin itself (res/skin106.png)
//   drawskin --mock OUT.png         the client area as the window shows it
//   drawskin --mock-pressed OUT.png the same with every face pressed / on
//
// Rows 224-559 hold the window background (the client area shows rows
// 224-511); rows 0-223 hold the control faces, with palette index 0 where the
// background should show through. Everything is drawn with Cairo, then mapped
// to a palette of at most 254 colours by nearest colour (no dithering).

#include <cairo-ft.h>
#include <cairo.h>
#include <ft2build.h>

#include "quantize.h"
#include FT_FREETYPE_H
#include <png.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

namespace {

constexpr int kSkinW = 344;
constexpr int kSkinH = 560;
constexpr int kBackTop = 224;              // first background row
constexpr int kBackH = kSkinH - kBackTop;  // 336 rows of background
constexpr int kClientH = 288;              // rows 224-511 are seen
constexpr double kPi = 3.14159265358979323846;

constexpr skin::Rgb kKey{248, 0, 248};  // index 0: see-through

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

void setColour(cairo_t *cr, uint32_t c, double alpha = 1.0) {
  cairo_set_source_rgba(cr, ((c >> 16) & 0xFF) / 255.0, ((c >> 8) & 0xFF) / 255.0,
                        (c & 0xFF) / 255.0, alpha);
}

// Mixes c towards black (f > 0) or white (f < 0).
uint32_t shade(uint32_t c, double f) {
  uint32_t out = 0;
  for (int shift = 16; shift >= 0; shift -= 8) {
    const double v = (c >> shift) & 0xFF;
    const double m = f >= 0 ? v * (1 - f) : v + (255 - v) * -f;
    out |= static_cast<uint32_t>(std::lround(m)) << shift;
  }
  return out;
}

// ------------------------------------------------------------------- fonts

class Fonts {
 public:
  Fonts() {
    static const char *const kPaths[] = {
        "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf",
        "/usr/share/fonts/opentype/ipafont-gothic/ipag.ttf",
        "/usr/share/fonts/truetype/fonts-japanese-gothic.ttf",
    };
    if (FT_Init_FreeType(&library_) != 0) throw std::runtime_error("cannot start FreeType");
    for (const char *path : kPaths)
      if (FT_New_Face(library_, path, 0, &face_) == 0) break;
    if (face_ == nullptr) throw std::runtime_error("IPA Gothic not found (fonts-ipafont-gothic)");
    regular_ = cairo_ft_font_face_create_for_ft_face(face_, 0);
    bold_ = cairo_ft_font_face_create_for_ft_face(face_, 0);
    cairo_ft_font_face_set_synthesize(bold_, CAIRO_FT_SYNTHESIZE_BOLD);
  }
  ~Fonts() {
    cairo_font_face_destroy(regular_);
    cairo_font_face_destroy(bold_);
    cairo_debug_reset_static_data();  // drops cairo's hold on face_
    FT_Done_Face(face_);
    FT_Done_FreeType(library_);
  }
  Fonts(const Fonts &) = delete;
  Fonts &operator=(const Fonts &) = delete;

  void use(cairo_t *cr, double size, bool bold) const {
    cairo_set_font_face(cr, bold ? bold_ : regular_);
    cairo_set_font_size(cr, size);
    cairo_font_options_t *options = cairo_font_options_create();
    cairo_font_options_set_antialias(options, CAIRO_ANTIALIAS_GRAY);
    cairo_font_options_set_hint_style(options, CAIRO_HINT_STYLE_SLIGHT);
    cairo_font_options_set_hint_metrics(options, CAIRO_HINT_METRICS_ON);
    cairo_set_font_options(cr, options);
    cairo_font_options_destroy(options);
  }

 private:
  FT_Library library_ = nullptr;
  FT_Face face_ = nullptr;
  cairo_font_face_t *regular_ = nullptr;
  cairo_font_face_t *bold_ = nullptr;
};

const Fonts *gFonts = nullptr;

struct Font {
  double size;
  bool bold;
};

double advance(cairo_t *cr, const char *s, Font f) {
  gFonts->use(cr, f.size, f.bold);
  cairo_text_extents_t e;
  cairo_text_extents(cr, s, &e);
  return e.x_advance;
}

// Text with its baseline at y, starting at x.
void text(cairo_t *cr, const char *s, double x, double y, Font f, uint32_t colour) {
  gFonts->use(cr, f.size, f.bold);
  setColour(cr, colour);
  cairo_move_to(cr, std::round(x), std::round(y));
  cairo_show_text(cr, s);
}

// Text whose ink is centred on (cx, cy), snapped to whole pixels.
void centredText(cairo_t *cr, const char *s, double cx, double cy, Font f, uint32_t colour) {
  gFonts->use(cr, f.size, f.bold);
  cairo_text_extents_t e;
  cairo_text_extents(cr, s, &e);
  const double x = std::round(cx - e.width / 2 - e.x_bearing);
  const double y = std::round(cy - e.height / 2 - e.y_bearing);
  setColour(cr, colour);
  cairo_move_to(cr, x, y);
  cairo_show_text(cr, s);
}

// ------------------------------------------------------------------ shapes

void roundRect(cairo_t *cr, double x, double y, double w, double h, double r) {
  r = std::min({r, w / 2, h / 2});
  cairo_new_sub_path(cr);
  cairo_arc(cr, x + w - r, y + r, r, -kPi / 2, 0);
  cairo_arc(cr, x + w - r, y + h - r, r, 0, kPi / 2);
  cairo_arc(cr, x + r, y + h - r, r, kPi / 2, kPi);
  cairo_arc(cr, x + r, y + r, r, kPi, 3 * kPi / 2);
  cairo_close_path(cr);
}

void disc(cairo_t *cr, double cx, double cy, double r, uint32_t colour) {
  cairo_new_path(cr);
  cairo_arc(cr, cx, cy, r, 0, 2 * kPi);
  setColour(cr, colour);
  cairo_fill(cr);
}

void oval(cairo_t *cr, double cx, double cy, double rx, double ry, uint32_t colour) {
  cairo_save(cr);
  cairo_translate(cr, cx, cy);
  cairo_scale(cr, rx, ry);
  cairo_new_path(cr);
  cairo_arc(cr, 0, 0, 1, 0, 2 * kPi);
  cairo_restore(cr);
  setColour(cr, colour);
  cairo_fill(cr);
}

// A four-pointed twinkle.
void twinkle(cairo_t *cr, double cx, double cy, double r, uint32_t colour) {
  cairo_new_path(cr);
  const double k = r * 0.28;
  cairo_move_to(cr, cx, cy - r);
  cairo_curve_to(cr, cx + k * 0.3, cy - k, cx + k, cy - k * 0.3, cx + r, cy);
  cairo_curve_to(cr, cx + k, cy + k * 0.3, cx + k * 0.3, cy + k, cx, cy + r);
  cairo_curve_to(cr, cx - k * 0.3, cy + k, cx - k, cy + k * 0.3, cx - r, cy);
  cairo_curve_to(cr, cx - k, cy - k * 0.3, cx - k * 0.3, cy - k, cx, cy - r);
  cairo_close_path(cr);
  setColour(cr, colour);
  cairo_fill(cr);
}

// A five-pointed star with softened tips.
void star(cairo_t *cr, double cx, double cy, double r, uint32_t colour) {
  cairo_new_path(cr);
  for (int i = 0; i < 10; ++i) {
    const double a = -kPi / 2 + i * kPi / 5;
    const double rr = i % 2 == 0 ? r : r * 0.48;
    cairo_line_to(cr, cx + rr * std::cos(a), cy + rr * std::sin(a));
  }
  cairo_close_path(cr);
  setColour(cr, colour);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_set_line_width(cr, r * 0.3);
  cairo_fill_preserve(cr);
  cairo_stroke(cr);
}

// An eighth note.
void note(cairo_t *cr, double x, double y, double s, uint32_t colour) {
  // (x, y) is the centre of the note head; s its size.
  oval(cr, x, y, s * 0.62, s * 0.46, colour);
  setColour(cr, colour);
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

class Canvas {
 public:
  Canvas(int w, int h, cairo_format_t format)
      : surface_(cairo_image_surface_create(format, w, h)), cr_(cairo_create(surface_)) {}
  ~Canvas() {
    cairo_destroy(cr_);
    cairo_surface_destroy(surface_);
  }
  Canvas(const Canvas &) = delete;
  Canvas &operator=(const Canvas &) = delete;

  cairo_t *cr() const { return cr_; }
  int width() const { return cairo_image_surface_get_width(surface_); }
  int height() const { return cairo_image_surface_get_height(surface_); }

  // Premultiplied 0xAARRGGBB.
  uint32_t pixel(int x, int y) const {
    cairo_surface_flush(surface_);
    const unsigned char *data = cairo_image_surface_get_data(surface_);
    const int stride = cairo_image_surface_get_stride(surface_);
    uint32_t v;
    std::memcpy(&v, data + size_t(y) * stride + size_t(x) * 4, 4);
    return v;
  }

  Image opaque() const {
    Image img{width(), height(), {}};
    img.px.resize(size_t(img.w) * img.h);
    for (int y = 0; y < img.h; ++y)
      for (int x = 0; x < img.w; ++x) img.px[size_t(y) * img.w + x] = pixel(x, y) & 0xFFFFFF;
    return img;
  }

 private:
  cairo_surface_t *surface_;
  cairo_t *cr_;
};

// ------------------------------------------------------------- background

// Everything below is in client coordinates: client (x, y) is skin
// (x, y + 224). The background canvas is 344 x 336, the extra rows at the
// bottom carrying on the pattern.

struct Panel {
  double x, y, w, h;
};
constexpr Panel kSpeedPanel{34, 86, 282, 82};
constexpr Panel kMusicPanel{34, 178, 282, 46};

void paintPanel(cairo_t *cr, Panel p) {
  roundRect(cr, p.x, p.y + 2, p.w, p.h, 12);
  setColour(cr, kCardShade);
  cairo_fill(cr);
  roundRect(cr, p.x + 0.5, p.y + 0.5, p.w - 1, p.h - 1, 12);
  setColour(cr, kCard);
  cairo_fill_preserve(cr);
  setColour(cr, kCardEdge);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
}

void paintTitle(cairo_t *cr) {
  // "ミルカド", one soft colour per letter, outlined in white.
  static const char *const kLetters[] = {"ミ", "ル", "カ", "ド"};
  static const uint32_t kColours[] = {kPink, kMint, kSky, kLilac};
  const Font f{34, true};
  const double spacing = 3;
  double total = -spacing;
  for (const char *l : kLetters) total += advance(cr, l, f) + spacing;
  const double baseline = 46;
  for (int pass = 0; pass < 3; ++pass) {
    double x = std::round(172 - total / 2);
    for (int i = 0; i < 4; ++i) {
      gFonts->use(cr, f.size, f.bold);
      cairo_new_path(cr);
      const double dy = pass == 0 ? 3 : 0;
      cairo_move_to(cr, x, baseline + dy);
      cairo_text_path(cr, kLetters[i]);
      cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
      if (pass == 0) {  // shadow
        setColour(cr, kCardShade);
        cairo_set_line_width(cr, 8);
        cairo_stroke_preserve(cr);
        cairo_fill(cr);
      } else if (pass == 1) {  // white rim
        setColour(cr, kCard);
        cairo_set_line_width(cr, 8);
        cairo_stroke(cr);
      } else {
        setColour(cr, kColours[i]);
        cairo_fill(cr);
      }
      x += advance(cr, kLetters[i], f) + spacing;
    }
  }
  twinkle(cr, 78, 22, 7, kSun);
  twinkle(cr, 92, 44, 4, kPinkPale);
  twinkle(cr, 262, 18, 5, kSky);
  twinkle(cr, 272, 40, 8, kSun);
  star(cr, 60, 46, 4, kPinkPale);
  star(cr, 290, 26, 3.5, kMintPale);

  // A white ribbon under the title.
  const char *sub = "スクリーンセーバーの せってい";
  const Font sf{11, false};
  const double w = std::round(advance(cr, sub, sf)) + 24;
  roundRect(cr, std::round(172 - w / 2) + 0.5, 58.5, w, 17, 8.5);
  setColour(cr, kCard);
  cairo_fill_preserve(cr);
  setColour(cr, kCardEdge);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  centredText(cr, sub, 172.5, 67, sf, kInkSoft);
}

// The two little characters sitting at the bottom left.
void paintFriends(cairo_t *cr) {
  oval(cr, 60, 276, 44, 4.5, kCardShade);  // ground shadow

  // A round pink cat.
  const double cx = 46, cy = 258;
  for (int side = -1; side <= 1; side += 2) {
    cairo_new_path(cr);
    cairo_move_to(cr, cx + side * 17, cy - 8);
    cairo_line_to(cr, cx + side * 15, cy - 25);
    cairo_line_to(cr, cx + side * 4, cy - 16);
    cairo_close_path(cr);
    setColour(cr, kPink);
    cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
    cairo_set_line_width(cr, 4);
    cairo_fill_preserve(cr);
    cairo_stroke(cr);
  }
  oval(cr, cx, cy, 22, 18, kPink);
  oval(cr, cx, cy + 2, 17, 13, 0xF998B2);
  disc(cr, cx - 7, cy - 1, 2.2, kEye);
  disc(cr, cx + 7, cy - 1, 2.2, kEye);
  disc(cr, cx - 6.3, cy - 1.8, 0.8, kCard);
  disc(cr, cx + 7.7, cy - 1.8, 0.8, kCard);
  oval(cr, cx - 12, cy + 4, 3.5, 2.2, kPinkPale);
  oval(cr, cx + 12, cy + 4, 3.5, 2.2, kPinkPale);
  setColour(cr, kEye);
  cairo_set_line_width(cr, 1.2);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_new_path(cr);
  cairo_arc_negative(cr, cx - 2, cy + 3, 2, kPi, 0);
  cairo_new_sub_path(cr);
  cairo_arc_negative(cr, cx + 2, cy + 3, 2, kPi, 0);
  cairo_stroke(cr);

  // A small mint sprout.
  const double mx = 88, my = 265;
  setColour(cr, kMintDeep);
  cairo_set_line_width(cr, 1.6);
  cairo_new_path(cr);
  cairo_move_to(cr, mx, my - 10);
  cairo_line_to(cr, mx, my - 15);
  cairo_stroke(cr);
  oval(cr, mx - 4, my - 17, 4, 2.2, kMintDeep);
  oval(cr, mx + 4, my - 17, 4, 2.2, kMint);
  oval(cr, mx, my, 13, 11, kMint);
  oval(cr, mx, my + 1.5, 9.5, 7.5, 0x8BD9C2);
  disc(cr, mx - 4.5, my - 0.5, 1.7, kEye);
  disc(cr, mx + 4.5, my - 0.5, 1.7, kEye);
  oval(cr, mx - 8, my + 3, 2.4, 1.5, kPinkPale);
  oval(cr, mx + 8, my + 3, 2.4, 1.5, kPinkPale);

  note(cr, 108, 236, 3, kPinkPale);
}

void paintBackground(cairo_t *cr) {
  setColour(cr, kCream);
  cairo_paint(cr);

  // Polka dots, pink and mint by turns, over all 336 rows.
  for (int row = 0; row * 18 < kBackH + 18; ++row)
    for (int col = -1; col * 24 < kSkinW + 24; ++col) {
      const double x = col * 24 + (row % 2 == 0 ? 6 : 18);
      const double y = row * 18 + 6;
      disc(cr, x, y, 2.5, (row + col) % 2 == 0 ? kDotPink : kDotMint);
    }

  // Scalloped trim along the top.
  setColour(cr, kPinkPale);
  cairo_rectangle(cr, 0, 0, kSkinW, 3);
  cairo_fill(cr);
  for (int x = 0; x <= kSkinW; x += 12) disc(cr, x + 6, 3, 5, kPinkPale);

  paintTitle(cr);

  paintPanel(cr, kSpeedPanel);
  paintPanel(cr, kMusicPanel);

  // Speed group: heading above the label, minus / slider / plus rows.
  const Font heading{13, true};
  const Font hint{11, false};
  star(cr, 54, 98, 5.5, kSun);
  text(cr, "スピード", 64, 103, heading, kHeading);
  text(cr, "キャラクターの うごく はやさ", 137, 103, hint, kInkSoft);
  // A little badge the speed digits sit on.
  roundRect(cr, 121.5, 114.5, 31, 19, 9.5);
  setColour(cr, kBadge);
  cairo_fill_preserve(cr);
  setColour(cr, kCardEdge);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  // Tiny captions for the two ends of the slider, on the label row.
  text(cr, "ゆっくり", 193, 128, hint, kMintDeep);
  text(cr, "はやい", 263, 128, hint, kPinkDeep);
  setColour(cr, kInkSoft);
  cairo_set_line_width(cr, 1);
  cairo_new_path(cr);
  cairo_move_to(cr, 240, 123.5);
  cairo_line_to(cr, 258, 123.5);
  cairo_stroke(cr);

  // Music group: the toggle on the left, its heading and hint to the right.
  note(cr, 157, 199, 3.2, kHeading);
  text(cr, "おんがく", 168, 200, heading, kHeading);
  text(cr, "BGM を ならします", 168, 215, hint, kInkSoft);

  paintFriends(cr);
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
double paintFace(cairo_t *cr, int w, int h, double r, const Look &look, bool pressed) {
  cairo_set_line_width(cr, 1);
  roundRect(cr, 0.5, 0.5, w - 1, h - 1, r);
  setColour(cr, pressed ? shade(look.lip, 0.08) : look.lip);
  cairo_fill(cr);

  const double top = pressed ? kLip - 1 : 0;
  const double bodyH = h - kLip;
  roundRect(cr, 0.5, top + 0.5, w - 1, bodyH - 1, r);
  if (pressed) {
    // Pushed in: darker, with a shadow along the upper inside edge.
    cairo_save(cr);
    cairo_clip_preserve(cr);
    setColour(cr, shade(look.body, 0.22));
    cairo_fill(cr);
    roundRect(cr, 1.5, top + 2.5, w - 3, bodyH - 2, r);
    setColour(cr, shade(look.body, 0.1));
    cairo_fill(cr);
    cairo_restore(cr);
  } else {
    cairo_save(cr);
    cairo_clip_preserve(cr);
    setColour(cr, look.body);
    cairo_fill(cr);
    cairo_rectangle(cr, 0, 0, w, std::round(bodyH * 0.45));
    setColour(cr, look.top);
    cairo_fill(cr);
    cairo_restore(cr);
  }

  roundRect(cr, 0.5, 0.5, w - 1, h - 1, r);
  setColour(cr, look.edge);
  cairo_stroke(cr);
  return top + bodyH / 2;
}

void paintTextButton(cairo_t *cr, const char *label, const Look &look, bool pressed) {
  const double cy = paintFace(cr, 96, 32, 10, look, pressed);
  const Font f{14, true};
  centredText(cr, label, 48 + (pressed ? 1 : 0), cy, f, pressed ? shade(look.ink, 0.08) : look.ink);
}

void paintToggle(cairo_t *cr, bool on, bool pressed) {
  const Look &look = on ? kMintLook : kGreyLook;
  const double cy = paintFace(cr, 80, 28, 12.5, look, pressed);
  const double dx = pressed ? 1 : 0;
  const double knobX = (on ? 66 : 14) + dx;
  disc(cr, knobX, cy, 8, pressed ? shade(look.lip, 0.1) : look.lip);
  disc(cr, knobX, cy - 0.5, 7.5, pressed ? 0xF0ECF2 : 0xFFFFFF);
  if (on)
    note(cr, knobX - 1.4, cy + 2.2, 1.6, kMintDeep);
  else {
    setColour(cr, 0xC5B8CA);
    cairo_set_line_width(cr, 1.6);
    cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
    cairo_new_path(cr);
    cairo_move_to(cr, knobX - 2.5, cy - 0.5);
    cairo_line_to(cr, knobX + 2.5, cy - 0.5);
    cairo_stroke(cr);
  }
  const Font f{11, true};
  centredText(cr, on ? "BGM オン" : "BGM オフ", (on ? 31 : 49) + dx, cy, f, look.ink);
}

void paintRoundButton(cairo_t *cr, bool plus, bool pressed) {
  const Look &look = plus ? kPinkLook : kMintLook;
  const double cy = paintFace(cr, 28, 28, 14, look, pressed);
  const double cx = 14 + (pressed ? 0.5 : 0);
  setColour(cr, pressed ? shade(0xFFFFFF, 0.06) : 0xFFFFFF);
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

// Knob centres for speeds 1-5 sit at 14 + 43 k on the 200 px track.
void paintTrack(cairo_t *cr) {
  roundRect(cr, 5.5, 10.5, 189, 8, 4);
  cairo_pattern_t *p = cairo_pattern_create_linear(5, 0, 195, 0);
  cairo_pattern_add_color_stop_rgb(p, 0, 0xC9 / 255.0, 0xEE / 255.0, 0xE2 / 255.0);
  cairo_pattern_add_color_stop_rgb(p, 1, 0xFF / 255.0, 0xC4 / 255.0, 0xD3 / 255.0);
  cairo_set_source(cr, p);
  cairo_fill_preserve(cr);
  cairo_pattern_destroy(p);
  setColour(cr, 0xE3C3CF);
  cairo_set_line_width(cr, 1);
  cairo_stroke(cr);
  for (int k = 0; k < 5; ++k) disc(cr, 14 + 43 * k, 14.5, 2, 0xFFFFFF);
}

void paintKnob(cairo_t *cr) {
  disc(cr, 14, 15, 12.5, kPinkDeep);
  disc(cr, 14, 13, 12.5, kPink);
  disc(cr, 14, 13, 10.5, 0xFFFFFF);
  // A little face.
  disc(cr, 10.5, 12, 1.5, kEye);
  disc(cr, 17.5, 12, 1.5, kEye);
  oval(cr, 8, 15.5, 2.2, 1.4, kPinkPale);
  oval(cr, 20, 15.5, 2.2, 1.4, kPinkPale);
  setColour(cr, kEye);
  cairo_set_line_width(cr, 1);
  cairo_new_path(cr);
  cairo_arc_negative(cr, 14, 14.5, 1.6, kPi, 0);
  cairo_stroke(cr);
}

// Digits are drawn as rounded strokes, 9 x 12 px in the middle of the cell,
// so they match the soft look of the faces (and "1" reads as a one).
constexpr double kDigitL = 3.5, kDigitR = 12.5, kDigitT = 2.5, kDigitB = 13.5;

double rad(double degrees) { return degrees * kPi / 180; }

void digitPath(cairo_t *cr, int digit) {
  const double l = kDigitL, r = kDigitR, t = kDigitT, b = kDigitB;
  const double cx = (l + r) / 2;
  cairo_new_path(cr);
  switch (digit) {
    case 0:
      roundRect(cr, l + 0.5, t, r - l - 1, b - t, 4);
      break;
    case 1:
      cairo_move_to(cr, cx - 2.5, t + 2.2);
      cairo_line_to(cr, cx + 0.5, t);
      cairo_line_to(cr, cx + 0.5, b);
      break;
    case 2:
      cairo_arc(cr, cx, t + 3.3, 3.3, rad(190), rad(20));
      cairo_line_to(cr, l + 0.3, b);
      cairo_line_to(cr, r, b);
      break;
    case 3:
      cairo_arc(cr, cx, t + 2.7, 2.7, rad(200), rad(90));
      cairo_new_sub_path(cr);
      cairo_arc(cr, cx, b - 3.15, 3.15, rad(-90), rad(155));
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
      cairo_arc(cr, cx, b - 3.6, 3.6, rad(-130), rad(150));
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

void paintDigit(cairo_t *cr, int digit) {
  cairo_save(cr);
  digitPath(cr, digit);
  cairo_restore(cr);
  setColour(cr, kValue);
  cairo_set_line_width(cr, 2.2);
  cairo_set_line_cap(cr, CAIRO_LINE_CAP_ROUND);
  cairo_set_line_join(cr, CAIRO_LINE_JOIN_ROUND);
  cairo_stroke(cr);
}

void paintSpeedLabel(cairo_t *cr) {
  // Sit on the same baseline as the digits' feet.
  text(cr, "はやさ", 2, std::floor(kDigitB) + 0.5, Font{13, true}, kInk);
}

// ------------------------------------------------------------- assembling

struct Skin {
  std::vector<uint32_t> rgb = std::vector<uint32_t>(size_t(kSkinW) * kSkinH);
  std::vector<bool> solid = std::vector<bool>(size_t(kSkinW) * kSkinH);
};

// Lays a face painted on a transparent canvas over its backdrop (what the
// window shows under it) and stores it at skin (sx, sy). Pixels the face
// barely covers stay see-through.
void placeFace(Skin &skin, const Canvas &face, const Image &backdrop, int bx, int by, int sx,
               int sy) {
  for (int y = 0; y < face.height(); ++y)
    for (int x = 0; x < face.width(); ++x) {
      const uint32_t p = face.pixel(x, y);
      const uint32_t a = p >> 24;
      const size_t i = size_t(sy + y) * kSkinW + (sx + x);
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

template <typename Paint>
void face(Skin &skin, int w, int h, const Image &backdrop, int bx, int by, int sx, int sy,
          Paint paint) {
  Canvas c(w, h, CAIRO_FORMAT_ARGB32);
  paint(c.cr());
  placeFace(skin, c, backdrop, bx, by, sx, sy);
}

Skin drawSkin() {
  Skin skin;
  Canvas back(kSkinW, kBackH, CAIRO_FORMAT_RGB24);
  paintBackground(back.cr());
  const Image bg = back.opaque();
  for (int y = 0; y < kBackH; ++y)
    for (int x = 0; x < kSkinW; ++x) {
      const size_t i = size_t(y + kBackTop) * kSkinW + x;
      skin.rgb[i] = bg.at(x, y);
      skin.solid[i] = true;
    }

  for (int pressed = 0; pressed < 2; ++pressed) {
    const bool p = pressed != 0;
    face(skin, 96, 32, bg, 120, 239, 160, 32 * pressed,
         [&](cairo_t *cr) { paintTextButton(cr, "OK", kPinkLook, p); });
    face(skin, 96, 32, bg, 223, 239, 160, 64 + 32 * pressed,
         [&](cairo_t *cr) { paintTextButton(cr, "キャンセル", kWhiteLook, p); });
    face(skin, 80, 28, bg, 60, 187, 0, 66 + 32 * pressed,
         [&](cairo_t *cr) { paintToggle(cr, false, p); });
    face(skin, 80, 28, bg, 60, 187, 80, 66 + 32 * pressed,
         [&](cairo_t *cr) { paintToggle(cr, true, p); });
    face(skin, 28, 28, bg, 47, 133, 258, 2 + 32 * pressed,
         [&](cairo_t *cr) { paintRoundButton(cr, false, p); });
    face(skin, 28, 28, bg, 275, 133, 290, 2 + 32 * pressed,
         [&](cairo_t *cr) { paintRoundButton(cr, true, p); });
  }

  face(skin, 200, 28, bg, 75, 133, 0, 194, paintTrack);
  // The knob rides on the track; blend its rim against track-on-background.
  Image underKnob = bg;
  {
    Canvas track(200, 28, CAIRO_FORMAT_ARGB32);
    paintTrack(track.cr());
    Skin tmp;
    placeFace(tmp, track, bg, 75, 133, 0, 0);
    for (int y = 0; y < 28; ++y)
      for (int x = 0; x < 200; ++x)
        if (tmp.solid[size_t(y) * kSkinW + x])
          underKnob.px[size_t(133 + y) * kSkinW + 75 + x] = tmp.rgb[size_t(y) * kSkinW + x];
  }
  face(skin, 28, 28, underKnob, 75 + 86, 133, 202, 194, paintKnob);

  for (int k = 0; k < 10; ++k)
    face(skin, 16, 16, bg, 129, 116, 160 + 16 * k, 128, [&](cairo_t *cr) { paintDigit(cr, k); });
  face(skin, 51, 16, bg, 47, 116, 160, 160, paintSpeedLabel);
  return skin;
}

// ------------------------------------------------------------------ output

struct Indexed {
  std::array<skin::Rgb, 256> palette{};
  std::vector<uint8_t> index = std::vector<uint8_t>(size_t(kSkinW) * kSkinH);
};

Indexed quantise(const Skin &skin) {
  std::vector<uint32_t> used;
  for (size_t i = 0; i < skin.rgb.size(); ++i)
    if (skin.solid[i]) used.push_back(skin.rgb[i]);
  const std::vector<skin::Rgb> colours = skin::buildPalette(used, 254);

  Indexed out;
  out.palette.fill(skin::Rgb{0, 0, 0});
  out.palette[0] = kKey;
  for (size_t i = 0; i < colours.size(); ++i) out.palette[i + 1] = colours[i];
  for (size_t i = 0; i < skin.rgb.size(); ++i)
    out.index[i] =
        skin.solid[i] ? static_cast<uint8_t>(1 + skin::nearestColour(colours, skin.rgb[i])) : 0;
  // How far the mapping strays from the painting, for the curious.
  double sum = 0;
  int worst = 0;
  size_t exact = 0;
  for (size_t i = 0; i < skin.rgb.size(); ++i) {
    if (!skin.solid[i]) continue;
    const skin::Rgb q = out.palette[out.index[i]];
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
  for (size_t i = 0; i < out.index.size(); ++i)
    if (out.index[i] == 255 || (out.index[i] == 0 && i >= size_t(kBackTop) * kSkinW))
      throw std::logic_error("palette index out of place");
  return out;
}

void writePng(const char *path, int w, int h, int colourType, const std::vector<uint8_t> &rows,
              const skin::Rgb *palette) {
  FILE *fp = std::fopen(path, "wb");
  if (fp == nullptr) throw std::runtime_error(std::string("cannot write ") + path);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png ? png_create_info_struct(png) : nullptr;
  if (png == nullptr || info == nullptr || setjmp(png_jmpbuf(png))) {
    png_destroy_write_struct(&png, &info);
    std::fclose(fp);
    throw std::runtime_error(std::string("libpng failed on ") + path);
  }
  png_init_io(png, fp);
  png_set_IHDR(png, info, w, h, 8, colourType, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  std::array<png_color, 256> plte{};
  if (palette != nullptr) {
    for (int i = 0; i < 256; ++i) plte[i] = png_color{palette[i].r, palette[i].g, palette[i].b};
    png_set_PLTE(png, info, plte.data(), 256);
  }
  png_write_info(png, info);
  const size_t stride = rows.size() / h;
  for (int y = 0; y < h; ++y) png_write_row(png, rows.data() + stride * y);
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  if (std::fclose(fp) != 0) throw std::runtime_error(std::string("cannot write ") + path);
}

// The client area as the program paints it, from the finished indexed skin.
void writeMock(const char *path, const Indexed &skin, bool pressed) {
  std::vector<uint8_t> rgb(size_t(kSkinW) * kClientH * 3);
  auto put = [&](int cx, int cy, uint8_t idx) {
    const skin::Rgb c = skin.palette[idx];
    uint8_t *p = &rgb[(size_t(cy) * kSkinW + cx) * 3];
    p[0] = c.r;
    p[1] = c.g;
    p[2] = c.b;
  };
  for (int y = 0; y < kClientH; ++y)
    for (int x = 0; x < kSkinW; ++x) put(x, y, skin.index[size_t(y + kBackTop) * kSkinW + x]);
  auto blit = [&](int sx, int sy, int w, int h, int cx, int cy) {
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const uint8_t idx = skin.index[size_t(sy + y) * kSkinW + sx + x];
        if (idx != 0) put(cx + x, cy + y, idx);
      }
  };
  const int down = pressed ? 32 : 0;
  blit(160, 0 + down, 96, 32, 120, 239);
  blit(160, 64 + down, 96, 32, 223, 239);
  blit(pressed ? 80 : 0, 66 + down, 80, 28, 60, 187);
  blit(0, 194, 200, 28, 75, 133);
  blit(202, 194, 28, 28, 75 + (pressed ? 172 : 86), 133);
  blit(258, 2 + down, 28, 28, 47, 133);
  blit(290, 2 + down, 28, 28, 275, 133);
  blit(160, 160, 51, 16, 47, 116);
  blit(320, 128, 16, 16, 113, 116);                           // tens: blank
  blit(160 + 16 * (pressed ? 5 : 3), 128, 16, 16, 129, 116);  // units
  writePng(path, kSkinW, kClientH, PNG_COLOR_TYPE_RGB, rgb, nullptr);
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
  try {
    Indexed indexed;
    {
      Fonts fonts;
      gFonts = &fonts;
      indexed = quantise(drawSkin());
      gFonts = nullptr;
    }
    if (mode.empty())
      writePng(out, kSkinW, kSkinH, PNG_COLOR_TYPE_PALETTE, indexed.index, indexed.palette.data());
    else
      writeMock(out, indexed, mode == "--mock-pressed");
  } catch (const std::exception &e) {
    std::fprintf(stderr, "drawskin: %s\n", e.what());
    return 1;
  }
  return 0;
}
