// What the compositor's drawing does to a picture, pixel by pixel, on plain 8-bit-per-channel
// RGB images: the oracle the compositor tests compare real GDI output with. Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "show/drawlist.h"

// 0x00RRGGBB; the same word a 32-bit DIB holds per pixel.
using Rgb = uint32_t;

constexpr Rgb kBlack = 0x000000;
constexpr Rgb kWhite = 0xFFFFFF;

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<Rgb> pixels;  // top row first

  RgbImage() = default;
  RgbImage(int w, int h, Rgb fill = kBlack) : width(w), height(h), pixels(size_t(w) * h, fill) {}
  Rgb& at(int x, int y) { return pixels[size_t(y) * width + x]; }
  Rgb at(int x, int y) const { return pixels[size_t(y) * width + x]; }
  bool operator==(const RgbImage&) const = default;
};

// A sheet's picture and its mask: the mask is black where the sprite is, white elsewhere, and
// the picture is black wherever the mask is white.
struct RefSheet {
  RgbImage image;
  RgbImage mask;
};


// The rows of dither pattern `pattern` (0 to 7, for levels 1 to 8).
const uint8_t* RefPatternRows(int pattern);
// Whether dither level `level` (1 to 8) draws pixel (col, row) of an entry's visible rectangle.
bool RefDitherDraws(int level, int col, int row);

// Applies one list entry to `work`. Only the part of the entry's rectangle that lies on the
// output (work's own size) counts; the sheet is read at the same offset within the entry.
void RefDrawEntry(const DrawEntry& entry, const RefSheet* sheets, const RgbImage& background,
                  RgbImage* work);
// Applies the entries of a list, from the first up to the end mark, to `work`.
void RefDrawList(const DrawEntry* entries, const RefSheet* sheets, const RgbImage& background,
                 RgbImage* work);
