// The speeds: the tick period of each (the Windows saver's frame timer, the native programs' and
// the page's ticks all take it from here) and the one reading of a hand-written speed.
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

// The one reading of a hand-written speed, shared by the saver and its settings window.
TEST(SpeedText, NumbersTakeTheNearestSpeedAndAnythingElseTheDefault) {
  struct Case {
    const char* text;
    int32_t speed;
  };
  constexpr Case kCases[] = {
      {"1", 1},
      {"5", 5},
      {"3", 3},
      {" 4 ", 4},
      {"\t2\t", 2},
      {"+2", 2},
      {"0", 1},
      {"-1", 1},
      {"-3", 1},
      {"6", 5},
      {"99", 5},
      {"2147483647", 5},
      {"2147483648", 5},
      {"99999999999999", 5},
      {"-99999999999999999999999", 1},
      {"00000000000000000000004", 4},
      {"abc", kSpeedDefault},
      {"", kSpeedDefault},
      {"   ", kSpeedDefault},
      {"-", kSpeedDefault},
      {"+", kSpeedDefault},
      {"4x", kSpeedDefault},
      {"x4", kSpeedDefault},
      {"4 5", kSpeedDefault},
      {"0x5", kSpeedDefault},
      {"--2", kSpeedDefault},
  };
  for (const Case& c : kCases) EXPECT_EQ(SpeedFromText(c.text), c.speed) << '"' << c.text << '"';
  EXPECT_EQ(SpeedFromText(nullptr), kSpeedDefault);
  EXPECT_EQ(kSpeedDefault, 3);
}

}  // namespace
