// contactsheet OUTDIR [SHEET0.png SHEET1.png SHEET2.png]
//
// Renders every actor's two frames side by side on black, one scene (three actors) a row,
// labelled with the actor numbers: OUTDIR/contact_full.png at full size and
// OUTDIR/contact_preview.png at the preview window's scale (148/1000, nearest neighbour, as
// the program shrinks its sprites by dropping rows and columns). Colour 0 shows as black.
#include <cairo.h>
#include <fontconfig/fontconfig.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "show/cast_tables.h"
#include "tools/art/png_io.h"
#include "tools/art/sheet_names.h"

#ifndef ART_SOURCE_DIR
#define ART_SOURCE_DIR "."
#endif

namespace {

constexpr int kPreviewScale = 148;  // per mille

int Scaled(int v, int perMille) { return v * perMille / 1000; }

// Copies one frame, shrunk by dropping rows and columns, into the surface at (dx, dy).
void Blit(cairo_surface_t* surface, const IndexedImage& sheet, const FrameRect& r, int dx, int dy,
          int perMille) {
  unsigned char* data = cairo_image_surface_get_data(surface);
  const int stride = cairo_image_surface_get_stride(surface);
  const int w = Scaled(r.width, perMille), h = Scaled(r.height, perMille);
  for (int y = 0; y < h; ++y) {
    uint32_t* row = reinterpret_cast<uint32_t*>(data + static_cast<size_t>(dy + y) * stride);
    const int sy = r.srcY + y * 1000 / perMille;
    for (int x = 0; x < w; ++x) {
      const int sx = r.srcX + x * 1000 / perMille;
      const uint8_t v = sheet.pixels[static_cast<size_t>(sy) * sheet.width + sx];
      const Rgb c = v == 0 || v >= sheet.palette.size() ? Rgb{} : sheet.palette[v];
      row[dx + x] = 0xFF000000u | (c.r << 16) | (c.g << 8) | c.b;
    }
  }
  cairo_surface_mark_dirty(surface);
}

bool Render(const std::vector<IndexedImage>& sheets, int perMille, const std::string& path) {
  const bool full = perMille == 1000;
  const int gap = full ? 8 : 3, actorGap = full ? 40 : 10, margin = full ? 16 : 6;
  const int label = full ? 22 : 12;
  // Measure: rows of three actors, each actor its two frames side by side.
  struct Cell {
    int actor, x, y;
  };
  std::vector<Cell> cells;
  int width = 0, y = margin;
  for (int scene = 0; scene < kActorCount / 3; ++scene) {
    int x = margin, rowHeight = 0;
    for (int k = 0; k < 3; ++k) {
      const int actor = scene * 3 + k;
      int f0, f1;
      ActorFrames(actor, &f0, &f1);
      const FrameRect* t = SheetFrameTable(kActorSheet[actor]);
      cells.push_back({actor, x, y + label});
      x += Scaled(t[f0].width, perMille) + gap + Scaled(t[f1].width, perMille) + actorGap;
      rowHeight =
          std::max({rowHeight, Scaled(t[f0].height, perMille), Scaled(t[f1].height, perMille)});
    }
    width = std::max(width, x - actorGap + margin);
    y += label + rowHeight + actorGap / 2;
  }
  const int height = y + margin;
  cairo_surface_t* surface = cairo_image_surface_create(CAIRO_FORMAT_RGB24, width, height);
  cairo_t* cr = cairo_create(surface);
  cairo_set_source_rgb(cr, 0, 0, 0);
  cairo_paint(cr);
  cairo_surface_flush(surface);
  for (const Cell& c : cells) {
    int f0, f1;
    ActorFrames(c.actor, &f0, &f1);
    const FrameRect* t = SheetFrameTable(kActorSheet[c.actor]);
    const IndexedImage& sheet = sheets[kActorSheet[c.actor]];
    Blit(surface, sheet, t[f0], c.x, c.y, perMille);
    Blit(surface, sheet, t[f1], c.x + Scaled(t[f0].width, perMille) + gap, c.y, perMille);
    cairo_select_font_face(cr, "IPAGothic", CAIRO_FONT_SLANT_NORMAL, CAIRO_FONT_WEIGHT_NORMAL);
    cairo_set_font_size(cr, full ? 18 : 10);
    cairo_set_source_rgb(cr, 0.75, 0.75, 0.75);
    cairo_move_to(cr, c.x, c.y - (full ? 6 : 3));
    cairo_show_text(cr, ((full ? "actor " : "") + std::to_string(c.actor)).c_str());
  }
  cairo_destroy(cr);
  const bool ok = cairo_surface_write_to_png(surface, path.c_str()) == CAIRO_STATUS_SUCCESS;
  cairo_surface_destroy(surface);
  if (!ok) std::fprintf(stderr, "contactsheet: cannot write %s\n", path.c_str());
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2 && argc != 5) {
    std::fprintf(stderr, "usage: contactsheet OUTDIR [SHEET0.png SHEET1.png SHEET2.png]\n");
    return 2;
  }
  const std::string dir = argv[1];
  std::vector<std::string> paths;
  for (int s = 0; s < kSheetCount; ++s)
    paths.push_back(argc == 5 ? argv[2 + s] : ART_SOURCE_DIR "/res/" + SheetPictureName(s));
  std::vector<IndexedImage> sheets(kSheetCount);
  for (int s = 0; s < kSheetCount; ++s) {
    std::string error;
    if (!ReadIndexedPng(paths[s], &sheets[s], &error)) {
      std::fprintf(stderr, "contactsheet: %s: %s\n", paths[s].c_str(), error.c_str());
      return 1;
    }
    if (sheets[s].width != kSheetWidth[s] || sheets[s].height != kSheetHeight[s]) {
      std::fprintf(stderr, "contactsheet: %s: wrong size\n", paths[s].c_str());
      return 1;
    }
  }
  if (!Render(sheets, 1000, dir + "/contact_full.png")) return 1;
  if (!Render(sheets, kPreviewScale, dir + "/contact_preview.png")) return 1;
  // Let go of Cairo's font caches so leak checkers see a clean exit.
  cairo_debug_reset_static_data();
  FcFini();
  return 0;
}
