// Palette building and colour mapping for the skin: flat colours stay exact,
// anti-aliased edges get the in-between shades they use most.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "tools/art/png_io.h"

// Picks at most maxColours colours for the given pixels (0xRRGGBB values).
// Deterministic: the same pixels always give the same palette in the same
// order.
std::vector<Rgb> BuildPalette(const std::vector<uint32_t> &pixels, size_t maxColours);

// Index (into palette) of the colour nearest to c. No dithering anywhere.
size_t NearestColour(const std::vector<Rgb> &palette, uint32_t c);
