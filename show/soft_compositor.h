// The frame compositor in software, for platforms without GDI: the draw kinds, the dither
// levels and the clipping of gfx/compositor, drawn into a work picture in memory with the same
// pixels. Sheets are the program's image resources decoded into colour indices. Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>

#include "show/drawlist.h"

constexpr int kSoftSheetSlots = 3;

// A rectangle of the work picture in its own pixels.
struct SoftRect {
  int32_t x;
  int32_t y;
  int32_t width;
  int32_t height;
};

// Decodes an image resource (8-bit, run-length coded) into sheet `slot`: colour index 0 is
// transparent, the other indices take the resource's colours. false, with the slot empty, when
// the resource is damaged or memory is short.
bool SoftLoadSheet(int slot, const uint8_t* resource, size_t size);
// Sets sheet `slot` from width x height colour indices, top row first, and 256 colours
// 0x00RRGGBB; index 0 is transparent whatever its colour. false when memory is short.
bool SoftSetSheet(int slot, int32_t width, int32_t height, const uint8_t* indices,
                  const uint32_t* colours);
// The size of sheet `slot`, 0 x 0 while it is empty.
SoftRect SoftSheetSize(int slot);

// Makes the work picture and the background width x height and black. false, with neither,
// when the size is not positive or memory is short.
bool SoftCreateBuffers(int32_t width, int32_t height);
// Replaces the background with `pixels`, the work picture's size, top row first.
void SoftSetBackground(const uint32_t* pixels);
// The work picture: 0x00RRGGBB, top row first, SoftWorkSize().width pixels a row; null when
// there is none.
uint32_t* SoftWorkPixels();
SoftRect SoftWorkSize();

// Draws a finished draw list (its entries up to the DRAW_END, at most kDrawListSlots) into the
// work picture and writes the rectangles whose pixels changed to `changed`, which has room for
// kDrawListSlots; overlapping rectangles are merged. Returns how many it wrote.
int SoftRenderFrame(const DrawEntry* entries, SoftRect* changed);

// Frees the sheets, the work picture and the background.
void SoftReleaseAll();
