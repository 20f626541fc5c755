// What the native program shows, apart from the window system: the program's sheets, the work
// picture and the scene director, one frame a tick. Platform-free.
#pragma once

#include <cstdint>

#include "show/soft_compositor.h"

// Loads the sheets, makes a black picture of width x height (the screen the director places
// its scenes on), seeds the generator with `seed` and sets up the first scene. false, with
// nothing kept, when a sheet or the picture cannot be made.
bool ShowStart(int32_t width, int32_t height, uint32_t seed);
// Makes the picture black at a new size and starts a fresh scene placed for it; false, with
// nothing kept, when the picture cannot be made.
bool ShowResize(int32_t width, int32_t height);
// Runs one tick of the director and draws it; writes the rectangles in which the picture now
// differs from the one the last tick handed out to `changed` (room for kDrawListSlots), each
// narrowed to the rows and columns that differ, and returns their count.
int ShowTick(SoftRect* changed);
// The show being drawn, for the tests to look at.
struct Show;
const Show& CurrentShow();
// Frees the picture and the sheets.
void ShowStop();
