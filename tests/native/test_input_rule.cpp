#include <gtest/gtest.h>

#include "show/input_rule.h"

TEST(PointerMoveEnds, OnlyAMoveInBothCoordinates) {
  struct Case {
    int32_t x, y;
    bool ends;
  };
  // From (500, 400).
  constexpr Case kCases[] = {
      {500, 400, false}, {620, 400, false}, {500, 610, false},
      {501, 401, true},  {499, 399, true},  {-3, 0, true},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(PointerMoveEnds(500, 400, c.x, c.y), c.ends) << c.x << "," << c.y;
  }
}
