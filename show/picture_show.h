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
// Makes the picture its background again (black without one) and starts a fresh scene, the
// generator going on: for a program that stopped drawing while nobody could see it and is seen
// again. Nothing without a picture.
void PictureShowRestart(PictureShow& show);
// Moves the picture into `pixels` (its size, rows `stride` pixels apart) and draws it there from
// then on: the memory a program sends its frames from, say, which each tick then changes only in
// the rectangles it returns, so that nothing else need copy them there. `pixels` must outlive the
// show or its next start, resize or move; a start or a resize draws in memory of the show's own
// again. false, changing nothing, without a picture or with a stride narrower than it.
bool PictureShowDrawInto(PictureShow& show, uint32_t* pixels, size_t stride);
// Runs one tick of the director and draws it; writes the rectangles in which the picture now
// differs from the last tick's to `changed` (room for kDrawListSlots), each narrowed to the rows
// and columns that differ, and returns their count.
int PictureShowTick(PictureShow& show, SoftRect* changed);
// How many of the next ticks, up to `most`, will change nothing in the picture (their lists need
// no drawing), found by running the director ahead on a copy of the show: a program may sleep
// through them and run them when it wakes, with the same frames at the same times.
int PictureShowQuietTicks(const PictureShow& show, int most);
// Frees the picture.
void PictureShowStop(PictureShow& show);
