// The tick period of each speed: the Windows saver's frame timer, the native program's and the
// page's ticks all take it from here.
#include <gtest/gtest.h>

#include <cstdint>

#include "show/speed.h"

namespace {

TEST(Speed, PeriodIsThreeHundredFiftyLessFiftyASpeedWithinOneToFive) {
  const struct {
    int32_t speed;
    int32_t period;
  } cases[] = {{1, 300}, {2, 250},   {3, 200}, {4, 150},      {5, 100},
               {0, 300}, {-40, 300}, {7, 100}, {1000000, 100}};
  for (const auto& c : cases) EXPECT_EQ(FramePeriodForSpeed(c.speed), c.period) << c.speed;
}

}  // namespace
