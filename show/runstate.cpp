#include "show/runstate.h"

int32_t ComputeScaleFactor(int32_t outputWidth, int32_t outputHeight, int32_t screenWidth,
                           int32_t screenHeight) {
  const int32_t a = screenWidth > 0 ? int32_t(int64_t(outputWidth) * 1000 / screenWidth) : 0;
  const int32_t b = screenHeight > 0 ? int32_t(int64_t(outputHeight) * 1000 / screenHeight) : 0;
  return b >= a ? b : a;
}
