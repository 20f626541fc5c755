#include <gtest/gtest.h>

#include "core/zoom.h"

namespace {

TEST(ZoomForDpi, RoundsToWholeMultiplesOf96) {
  struct Case {
    int32_t dpi;
    int32_t zoom;
  };
  constexpr Case kCases[] = {
      {96, 1},  {120, 1}, {143, 1}, {144, 2}, {192, 2}, {239, 2},        {240, 3},
      {288, 3}, {384, 4}, {0, 1},   {-96, 1}, {47, 1},  {INT32_MAX, 64},
  };
  for (const Case& c : kCases) EXPECT_EQ(ZoomForDpi(c.dpi), c.zoom) << "dpi " << c.dpi;
}

}  // namespace
