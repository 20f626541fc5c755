// Which pointer movement ends the saver. Platform-free.
#pragma once

#include <cstdint>

// Whether a pointer that stood at (fromX, fromY) when the saver started, or when its last
// movement was let pass, and now stands at (x, y) ends it: only a movement that changes both
// coordinates does, so that a mouse twitching along one axis on a shaking desk does not.
bool PointerMoveEnds(int32_t fromX, int32_t fromY, int32_t x, int32_t y);
