// A show drawn in software: the scene director's frames drawn into a picture of their own, one
// frame a tick, with the rectangles that changed. Each PictureShow is a value, so that a program
// can run one for each of several screens. Platform-free.
#pragma once

#include <cstdint>

#include "show/show.h"
#include "show/soft_compositor.h"

struct PictureShow {
  Show show;            // placed and drawn for the whole picture, nothing shrunk
  SoftPicture picture;  // the frames
  // The picture as it was last handed out: a tick hands out only what differs from it, so that
  // a sprite erased and drawn again the same is not sent. Rows are `shownStride` pixels apart;
  // the memory is the show's own unless a program lent it (PictureShowHandOutInto).
  uint32_t* shown = nullptr;
  size_t shownStride = 0;
  bool shownLent = false;
  const SoftSheets* sheets = nullptr;
};

// Makes a black picture of width x height (the screen the director places its scenes on),
// drawn from `sheets` (which must outlive the show), seeds the generator with `seed` and sets up
// the first scene. false, with nothing kept, when the picture cannot be made.
bool PictureShowStart(PictureShow& show, const SoftSheets& sheets, int32_t width, int32_t height,
                      uint32_t seed);
// Makes the picture black at a new size and starts a fresh scene placed for it; false, with
// nothing kept, when the picture cannot be made.
bool PictureShowResize(PictureShow& show, int32_t width, int32_t height);
// Keeps the picture as last handed out in `pixels` (the picture's size, rows `stride` pixels
// apart, holding what was last handed out: black after a start or a resize) instead of memory of
// the show's own: the memory a program sends its frames from, say, which each tick then brings up
// to date in the rectangles it returns, so that nothing else need copy them there. `pixels` must
// outlive the show or the next start, resize or lending. false, changing nothing, without a
// picture or with a stride narrower than it.
bool PictureShowHandOutInto(PictureShow& show, uint32_t* pixels, size_t stride);
// Runs one tick of the director and draws it; writes the rectangles in which the picture now
// differs from the one the last tick handed out to `changed` (room for kDrawListSlots), each
// narrowed to the rows and columns that differ, and returns their count.
int PictureShowTick(PictureShow& show, SoftRect* changed);
// How many of the next ticks, up to `most`, will change nothing in the picture (their lists need
// no drawing), found by running the director ahead on a copy of the show: a program may sleep
// through them and run them when it wakes, with the same frames at the same times.
int PictureShowQuietTicks(const PictureShow& show, int most);
// Frees the picture.
void PictureShowStop(PictureShow& show);
