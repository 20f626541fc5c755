#include "show/input_rule.h"

bool PointerMoveEnds(int32_t fromX, int32_t fromY, int32_t x, int32_t y) {
  return x != fromX && y != fromY;
}
