// The program's image resource format: a BITMAPINFOHEADER, a 256-entry colour table and a
// run-length coded stream of 8-bit pixels.
//
// Stream: the rows bottom row first, each row exactly `width` bytes, coded as one continuous
// stream that crosses row ends. A byte other than 0xFF is one pixel of that value; the three
// bytes 0xFF, v, n are a run of n pixels of value v. 0xFF 0xFF ends the stream.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "tools/art/png_io.h"

inline constexpr uint8_t kRleEscape = 0xFF;
inline constexpr int kRleMinRun = 4;  // shorter repeats are cheaper as single pixel bytes
inline constexpr int kRleMaxRun = 255;
inline constexpr int kBitmapInfoHeaderSize = 40;

// Codes a sequence of pixel values (none may be 0xFF) and appends the end code.
// Returns nothing when a pixel is 0xFF, which the stream cannot express.
std::optional<std::vector<uint8_t>> EncodeRleStream(std::span<const uint8_t> pixels);

// Builds the whole resource from a picture whose rows run top to bottom: header, colour table
// (the palette padded to 256 entries), then the stream of the rows bottom row first.
std::optional<std::vector<uint8_t>> EncodeResource(const IndexedImage& image);
