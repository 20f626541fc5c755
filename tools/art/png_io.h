// Reading and writing 8-bit palette PNG files with libpng.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

struct Rgb {
  uint8_t r = 0, g = 0, b = 0;
  bool operator==(const Rgb&) const = default;
};

// A palette picture: one byte per pixel, rows top to bottom.
struct IndexedImage {
  int width = 0;
  int height = 0;
  std::vector<Rgb> palette;  // as stored in the PLTE chunk (1..256 entries)
  std::vector<uint8_t> pixels;
};

// Reads PATH. Returns false and sets *error when the file cannot be read or is not an
// 8-bit palette PNG (so callers can report exactly that).
bool ReadIndexedPng(const std::string& path, IndexedImage* image, std::string* error);

// Writes an 8-bit palette PNG. Returns false and sets *error on failure.
bool WriteIndexedPng(const std::string& path, const IndexedImage& image, std::string* error);

// Writes a 24-bit RGB PNG (rgb holds width * height * 3 bytes, rows top to bottom).
bool WriteRgbPng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgb,
                 std::string* error);
