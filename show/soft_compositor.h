// The frame compositor in software, for platforms without GDI: the draw kinds, the dither
// levels and the clipping of gfx/compositor, drawn into a work picture in memory with the same
// pixels. Sheets are the program's image resources decoded into colour indices. Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>

#include "show/drawlist.h"

// A rectangle of the work picture in its own pixels.
struct SoftRect {
  int32_t x;
  int32_t y;
  int32_t width;
  int32_t height;
};

// A sheet as drawn: its image as colour indices, one byte a pixel so that drawing reads a
// quarter of what pixels would take, with the colours they stand for (index 0, transparent,
// black), and its shape as runs of non-transparent pixels, row by row, so that drawing skips the
// transparent parts.
struct SoftSheet {
  int32_t width;
  int32_t height;
  uint8_t* indices;  // top row first
  int32_t* rowRuns;  // height + 1 indices into runs: row r's runs are rowRuns[r]..[r + 1]
  int32_t* runs;     // pairs of first and past-last column, left to right
  uint32_t colours[256];
};

// The sheets a draw list's entries name by slot. Read-only while drawing, so that any number of
// pictures can be drawn from one set.
struct SoftSheets {
  SoftSheet slot[kSheetCount] = {};
};

// A work picture and the background that restoring draws from (null while it is black):
// 0x00RRGGBB, top row first, width pixels a row, rows `stride` pixels apart in `work`.
struct SoftPicture {
  uint32_t* work = nullptr;
  uint32_t* background = nullptr;  // rows width pixels apart
  uint32_t* line = nullptr;        // one row, in which a frame is drawn before what changed is kept
  int32_t width = 0;
  int32_t height = 0;
  size_t stride = 0;
  bool lent = false;  // work is a program's memory (SoftDrawPictureInto), not freed here
};

// Decodes an image resource (8-bit, run-length coded) into sheet `slot`: colour index 0 is
// transparent, the other indices take the resource's colours. false, with the slot empty, when
// the resource is damaged or memory is short.
bool SoftLoadSheet(SoftSheets& sheets, int slot, const uint8_t* resource, size_t size);
// Sets sheet `slot` from width x height colour indices, top row first, and 256 colours
// 0x00RRGGBB; index 0 is transparent whatever its colour. false when memory is short.
bool SoftSetSheet(SoftSheets& sheets, int slot, int32_t width, int32_t height,
                  const uint8_t* indices, const uint32_t* colours);
// Where a program keeps its image resources: the bytes of resource `resourceId`, or false.
using ImageResourceLookup = bool (*)(int resourceId, const uint8_t** data, size_t* size);
// Loads the program's sprite sheets (res/resource_ids.h) from `lookup` into their slots; false,
// with every sheet freed, when one is missing or damaged.
bool SoftLoadProgramSheets(SoftSheets& sheets, ImageResourceLookup lookup);
// The size of sheet `slot`, 0 x 0 while it is empty.
SoftRect SoftSheetSize(const SoftSheets& sheets, int slot);
// Frees every sheet.
void SoftFreeSheets(SoftSheets& sheets);

// Writes zeros over `bytes` bytes of `memory`, touching every page now: a picture's pages are
// then the process's from the start, instead of being faulted in, twice for a page first read,
// by the ticks that first reach them (in a virtual machine a fault costs more than drawing a
// sprite).
void FillZero(void* memory, size_t bytes);
// Makes the picture width x height and black, with a black background, freeing what it held.
// false, with nothing held, when the size is not positive or memory is short.
bool SoftCreatePicture(SoftPicture& picture, int32_t width, int32_t height);
// Replaces the background with `pixels`, the picture's size, top row first.
void SoftSetBackground(SoftPicture& picture, const uint32_t* pixels);
// Moves the picture into `pixels` (the picture's size, rows `stride` pixels apart), where it is
// drawn from then on: the memory a program shows it from, say, which each frame then changes only
// where the picture does. `pixels` must outlive the picture or its next making or moving. false,
// changing nothing, without a picture or with a stride narrower than it.
bool SoftDrawPictureInto(SoftPicture& picture, uint32_t* pixels, size_t stride);
// Frees the picture and its background.
void SoftFreePicture(SoftPicture& picture);

// Draws a finished draw list (its entries up to the DRAW_END, at most kDrawListSlots) into the
// picture from `sheets` and writes the rectangles in which the picture now differs from before to
// `changed`, which has room for kDrawListSlots: one for each group of overlapping entries whose
// drawing changed a pixel, narrowed to the rows and columns that changed. Returns how many it
// wrote.
int SoftRenderFrame(SoftPicture& picture, const SoftSheets& sheets, const DrawEntry* entries,
                    SoftRect* changed);
