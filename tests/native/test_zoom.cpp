#include <gtest/gtest.h>

#include "show/zoom.h"

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

TEST(PictureOffset, RoundsDownOnBothSidesOfTheOrigin) {
  struct Case {
    int32_t offset;
    int32_t zoom;
    int32_t picture;
  };
  constexpr Case kCases[] = {
      {0, 1, 0},
      {5, 1, 5},
      {-5, 1, -5},
      {0, 2, 0},
      {1, 2, 0},
      {2, 2, 1},
      {-1, 2, -1},
      {-2, 2, -1},
      {-3, 2, -2},
      {433, 2, 216},
      {434, 2, 217},
      {8, 3, 2},
      {-1, 3, -1},
      {7, 0, 7},
      {INT32_MIN, 2, INT32_MIN / 2},
      {INT32_MAX, 64, INT32_MAX / 64},
  };
  for (const Case& c : kCases)
    EXPECT_EQ(PictureOffset(c.offset, c.zoom), c.picture) << c.offset << " at zoom " << c.zoom;
}

TEST(PictureLength, WholePicturePixelsAndNeverNone) {
  constexpr int32_t kCases[][3] = {
      {1920, 1, 1920}, {1920, 2, 960}, {1921, 2, 960}, {799, 3, 266},
      {2, 3, 1},       {0, 2, 1},      {640, 0, 640},  {640, -4, 640},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(PictureLength(c[0], c[1]), c[2]) << c[0] << " at zoom " << c[1];
  }
}

TEST(ZoomToFit, RaisesTheZoomOnlyUntilThePictureFits) {
  constexpr int64_t kLimit = int64_t(1) << 24;
  struct Case {
    int32_t width, height, zoom, want;
  };
  const Case kCases[] = {
      {4096, 4096, 1, 1}, {4097, 4096, 1, 2},        {7680, 4320, 1, 2},
      {7680, 4320, 3, 3}, {15360, 8640, 1, 3},       {640, 480, 0, 1},
      {640, 480, -5, 1},  {1 << 30, 1 << 30, 1, 64}, {7680, 4320, 99, 99},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(ZoomToFit(c.width, c.height, c.zoom, kLimit), c.want)
        << c.width << "x" << c.height << " at " << c.zoom;
  }
}

}  // namespace
