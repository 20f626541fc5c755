// Draw-list entries for the tests, built in one call and written to a draw list of the tests'.
// Platform-free.
#pragma once

#include <cstdint>
#include <vector>

#include "show/drawlist.h"

// An entry drawing the `width` x `height` part of sheet `sheet` at (srcX, srcY) to (x, y).
DrawEntry MakeDrawEntry(uint8_t kind, int level, int x, int y, int srcX, int srcY, int width,
                        int height, int sheet = 0);
// Writes `entries` to the tests' draw list from slot 0 and ends the list after them; returns
// the list's slots, for the compositors.
const DrawEntry* DrawListFill(const std::vector<DrawEntry>& entries);
// The slots of the list DrawListFill wrote last.
const DrawEntry* TestDrawList();
