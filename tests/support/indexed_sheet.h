// Sheets as colour indices and a colour table, the form the software compositor draws from,
// and their conversion to the reference drawing's image and mask. Platform-free.
#pragma once

#include <cstdint>
#include <vector>

#include "tests/support/draw_reference.h"

struct IndexedSheet {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> indices;    // top row first; 0 is transparent
  std::vector<uint32_t> colours =  // 0x00RRGGBB
      std::vector<uint32_t>(256, 0);
};

// A small hand-made sheet, different for each `variant`: a few colours (one of them black
// inside the shape), a hole in the middle, scattered one-pixel holes, a shapeless left border,
// and a solid part from (solidX, solidY) to the lower-right corner.
IndexedSheet HandMadeIndexedSheet(int variant, int width, int height, int solidX, int solidY);
// The image (colour 0 black) and the mask (white where the index is 0, black elsewhere).
RefSheet RefSheetOf(const IndexedSheet& sheet);
