// Draw-list entries for the tests, built in one call and written to the DrawList. Platform-free.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/drawlist.h"

// An entry drawing the `width` x `height` part of sheet `sheet` at (srcX, srcY) to (x, y).
DrawEntry MakeDrawEntry(uint8_t kind, int level, int x, int y, int srcX, int srcY, int width,
                        int height, int sheet = 0);
// Writes `entry` at the DrawList's write position and moves the position on.
void DrawListAppend(const DrawEntry& entry);
// Writes `entries` to the DrawList from slot 0 and ends the list after them.
void DrawListFill(const std::vector<DrawEntry>& entries);
