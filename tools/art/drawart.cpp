// drawart OUTDIR
//
// Draws the cast into the three sprite sheets (OUTDIR/sheet114.png, sheet117.png,
// sheet116.png) and the program icon (OUTDIR/icon.ico). The output is deterministic.
#include <cairo.h>

#include <algorithm>
#include <array>
#include <cstdio>
#include <fstream>
#include <map>
#include <string>
#include <vector>

#include "show/cast_tables.h"
#include "tools/art/cast_art.h"
#include "tools/art/palette.h"
#include "tools/art/png_io.h"
#include "tools/art/sheet_names.h"

namespace {

constexpr int kMargin = 2;  // pixels kept free along every frame edge

// A palette index picture of one drawing.
struct IndexBuffer {
  int w, h;
  std::vector<uint8_t> px;
  uint8_t& at(int x, int y) { return px[static_cast<size_t>(y) * w + x]; }
  uint8_t get(int x, int y) const {
    return x < 0 || y < 0 || x >= w || y >= h ? 0 : px[static_cast<size_t>(y) * w + x];
  }
};

// Maps a Cairo surface to palette indices: the surface's premultiplied colour is the drawing
// composited on black; pixels less than half covered become the transparent index 0.
IndexBuffer Quantise(cairo_surface_t* surface) {
  cairo_surface_flush(surface);
  IndexBuffer out{
      cairo_image_surface_get_width(surface), cairo_image_surface_get_height(surface), {}};
  out.px.assign(static_cast<size_t>(out.w) * out.h, 0);
  const unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  for (int y = 0; y < out.h; ++y) {
    const uint32_t* row = reinterpret_cast<const uint32_t*>(data + static_cast<size_t>(y) * stride);
    for (int x = 0; x < out.w; ++x) {
      const uint32_t p = row[x];
      if ((p >> 24) < 128) continue;
      out.at(x, y) = NearestIndex((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }
  }
  return out;
}

// Removes single-pixel noise: lone opaque pixels, pinholes and odd pixels in flat areas.
void Clean(IndexBuffer* b) {
  const IndexBuffer src = *b;
  const int dx[8] = {1, -1, 0, 0, 1, 1, -1, -1};
  const int dy[8] = {0, 0, 1, -1, 1, -1, 1, -1};
  for (int y = 0; y < src.h; ++y) {
    for (int x = 0; x < src.w; ++x) {
      const uint8_t v = src.get(x, y);
      int opaque4 = 0;
      for (int k = 0; k < 4; ++k) opaque4 += src.get(x + dx[k], y + dy[k]) != 0;
      if (v != 0 && opaque4 == 0) {
        b->at(x, y) = 0;
        continue;
      }
      if (v == 0 && opaque4 == 4) {
        std::map<uint8_t, int> votes;
        for (int k = 0; k < 4; ++k) ++votes[src.get(x + dx[k], y + dy[k])];
        b->at(x, y) = std::max_element(votes.begin(), votes.end(), [](auto& a, auto& c) {
                        return a.second < c.second;
                      })->first;
        continue;
      }
      if (v != 0) {
        const uint8_t n0 = src.get(x + 1, y);
        bool flat = n0 != 0 && n0 != v;
        for (int k = 1; k < 8 && flat; ++k) flat = src.get(x + dx[k], y + dy[k]) == n0;
        if (flat) b->at(x, y) = n0;
      }
    }
  }
}

IndexBuffer RenderFrame(int actor, int phase, int w, int h) {
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, w, h);
  cairo_t* cr = cairo_create(surface);
  cairo_rectangle(cr, kMargin, kMargin, w - 2 * kMargin, h - 2 * kMargin);
  cairo_clip(cr);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_GOOD);
  DrawActor(cr, actor, phase, w, h);
  cairo_destroy(cr);
  IndexBuffer out = Quantise(surface);
  cairo_surface_destroy(surface);
  return out;
}

bool WriteSheets(const std::string& dir) {
  const auto& pal = SheetPalette();
  for (int sheet = 0; sheet < kSheetCount; ++sheet) {
    IndexedImage image;
    image.width = kSheetWidth[sheet];
    image.height = kSheetHeight[sheet];
    image.palette.assign(pal.begin(), pal.end());
    image.pixels.assign(static_cast<size_t>(image.width) * image.height, 0);
    for (int actor = 0; actor < kActorCount; ++actor) {
      if (kActorSheet[actor] != sheet) continue;
      int frames[2];
      ActorFrames(actor, &frames[0], &frames[1]);
      for (int phase = 0; phase < 2; ++phase) {
        const FrameRect r = SheetFrameTable(sheet)[frames[phase]];
        IndexBuffer b = RenderFrame(actor, phase, r.width, r.height);
        Clean(&b);
        for (int y = 0; y < r.height; ++y)
          for (int x = 0; x < r.width; ++x)
            image.pixels[static_cast<size_t>(r.srcY + y) * image.width + r.srcX + x] = b.at(x, y);
      }
    }
    std::string error;
    const std::string path = dir + "/" + SheetPictureName(sheet);
    if (!WriteIndexedPng(path, image, &error)) {
      std::fprintf(stderr, "drawart: %s\n", error.c_str());
      return false;
    }
  }
  return true;
}

void Put16(std::vector<uint8_t>* o, unsigned v) {
  o->insert(o->end(), {uint8_t(v), uint8_t(v >> 8)});
}
void Put32(std::vector<uint8_t>* o, unsigned v) {
  Put16(o, v & 0xFFFF);
  Put16(o, v >> 16);
}

// The icon: the singer cat's face, 32 x 32 in 16 colours. Colour 0 is black and transparent
// through the AND mask; the other 15 are the face's most used sheet colours.
bool WriteIcon(const std::string& dir) {
  constexpr int kSize = 32;
  // The head of actor 0 fills this square of its 120 x 224 frame.
  constexpr double kCropX = 7, kCropY = 20, kCrop = 106;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_ARGB32, kSize, kSize);
  cairo_t* cr = cairo_create(surface);
  cairo_scale(cr, kSize / kCrop, kSize / kCrop);
  cairo_translate(cr, -kCropX, -kCropY);
  cairo_set_antialias(cr, CAIRO_ANTIALIAS_NONE);  // crisp pixels suit 16 colours best
  DrawActor(cr, 0, kPortrait, 120, 224);
  cairo_destroy(cr);
  IndexBuffer b = Quantise(surface);
  cairo_surface_destroy(surface);

  std::map<uint8_t, int> use;
  for (uint8_t v : b.px)
    if (v) ++use[v];
  std::vector<std::pair<int, uint8_t>> ranked;
  for (auto [v, n] : use) ranked.push_back({-n, v});
  std::sort(ranked.begin(), ranked.end());
  // Outline and white come first whatever their share: they carry the eyes.
  std::vector<uint8_t> chosen = {0, static_cast<uint8_t>(GreyIndex(0)),
                                 static_cast<uint8_t>(GreyIndex(kGreyCount - 1))};
  for (size_t i = 0; i < ranked.size() && chosen.size() < 16; ++i)
    if (std::find(chosen.begin(), chosen.end(), ranked[i].second) == chosen.end())
      chosen.push_back(ranked[i].second);
  const auto& pal = SheetPalette();
  std::vector<Rgb> colours(16, Rgb{});
  for (size_t i = 1; i < chosen.size(); ++i) colours[i] = pal[chosen[i]];
  auto nearest = [&](uint8_t v) {
    int best = 1;
    long bestD = -1;
    for (size_t i = 1; i < chosen.size(); ++i) {
      const long dr = pal[v].r - colours[i].r, dg = pal[v].g - colours[i].g,
                 db = pal[v].b - colours[i].b;
      const long d = dr * dr + dg * dg + db * db;
      if (bestD < 0 || d < bestD) bestD = d, best = static_cast<int>(i);
    }
    return best;
  };

  constexpr unsigned kXorBytes = kSize * kSize / 2, kAndBytes = kSize * 4;
  constexpr unsigned kImageBytes = 40 + 16 * 4 + kXorBytes + kAndBytes;
  std::vector<uint8_t> o;
  Put16(&o, 0);  // ICONDIR: reserved, type 1 (icon), one image
  Put16(&o, 1);
  Put16(&o, 1);
  o.insert(o.end(), {kSize, kSize, 16, 0});  // ICONDIRENTRY: width, height, colours, reserved
  Put16(&o, 1);                              // planes
  Put16(&o, 4);                              // bits per pixel
  Put32(&o, kImageBytes);
  Put32(&o, 6 + 16);
  Put32(&o, 40);  // BITMAPINFOHEADER; the height counts the XOR and AND images together
  Put32(&o, kSize);
  Put32(&o, kSize * 2);
  Put16(&o, 1);
  Put16(&o, 4);
  Put32(&o, 0);
  Put32(&o, kXorBytes + kAndBytes);
  Put32(&o, 0);
  Put32(&o, 0);
  Put32(&o, 16);
  Put32(&o, 0);
  for (const Rgb& c : colours) o.insert(o.end(), {c.b, c.g, c.r, 0});
  for (int y = kSize - 1; y >= 0; --y) {  // XOR image, bottom row first, two pixels a byte
    for (int x = 0; x < kSize; x += 2) {
      const uint8_t a = b.get(x, y), c = b.get(x + 1, y);
      o.push_back(static_cast<uint8_t>((a ? nearest(a) : 0) << 4 | (c ? nearest(c) : 0)));
    }
  }
  for (int y = kSize - 1; y >= 0; --y) {  // AND mask: 1 = transparent
    for (int x = 0; x < kSize; x += 8) {
      uint8_t bits = 0;
      for (int k = 0; k < 8; ++k)
        if (b.get(x + k, y) == 0) bits |= 0x80 >> k;
      o.push_back(bits);
    }
  }
  std::ofstream f(dir + "/icon.ico", std::ios::binary | std::ios::trunc);
  f.write(reinterpret_cast<const char*>(o.data()), static_cast<std::streamsize>(o.size()));
  return static_cast<bool>(f);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: drawart OUTDIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  if (!WriteSheets(dir)) return 1;
  if (!WriteIcon(dir)) {
    std::fprintf(stderr, "drawart: cannot write %s/icon.ico\n", dir.c_str());
    return 1;
  }
  return 0;
}
