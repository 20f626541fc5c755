#include <gtest/gtest.h>

#include <cstdint>

#include "windows/settings/control_values.h"

namespace {

TEST(SettingsControls, SpeedFromOffsetGivesFiveOnlyAtTheFarRight) {
  struct Case {
    int32_t offset;
    int32_t speed;
  };
  constexpr Case kCases[] = {
      {0, 1},   {42, 1}, {43, 2},  {85, 2},  {86, 3},  {128, 3},       {129, 4},       {171, 4},
      {172, 5}, {-1, 1}, {-40, 1}, {173, 5}, {200, 5}, {INT32_MIN, 1}, {INT32_MAX, 5},
  };
  for (const Case& c : kCases) EXPECT_EQ(SpeedFromOffset(c.offset), c.speed) << c.offset;
}

TEST(SettingsControls, KnobOffsetForSpeedIsHeldAKnobPastEitherEnd) {
  struct Case {
    int32_t speed;
    int32_t offset;
  };
  constexpr Case kCases[] = {
      {1, 0},   {2, 43},  {3, 86},   {4, 129},         {5, 172},         {6, 200},
      {7, 200}, {0, -28}, {-3, -28}, {INT32_MAX, 200}, {INT32_MIN, -28},
  };
  for (const Case& c : kCases) EXPECT_EQ(KnobOffsetForSpeed(c.speed), c.offset) << c.speed;
}

TEST(SettingsControls, KnobOffsetFromCursorPutsTheKnobsMiddleUnderIt) {
  // A slider from screen x 400 to 600 (GetWindowRect's right edge is one past the last pixel).
  struct Case {
    int32_t cursorX;
    int32_t offset;
  };
  constexpr Case kCases[] = {
      {0, 0},     {399, 0},   {400, 0},   {413, 0},   {414, 0},    {415, 1},       {500, 86},
      {585, 171}, {586, 172}, {587, 172}, {600, 172}, {2000, 172}, {INT32_MIN, 0}, {INT32_MAX, 172},
  };
  for (const Case& c : kCases)
    EXPECT_EQ(KnobOffsetFromCursor(400, 600, c.cursorX), c.offset) << c.cursorX;
}

TEST(SettingsControls, StepsStayWithinTheSpeedRange) {
  // A speed beyond the range (only a caller that skipped the settings' reading has one) is
  // brought to its nearest end before the step: no step leaves 1 to 5.
  struct Case {
    int32_t speed;
    int32_t step;
    int32_t stepped;
  };
  constexpr Case kCases[] = {
      {3, -1, 2},        {3, 1, 4},          {1, -1, 1},         {5, 1, 5},
      {7, 1, 5},         {7, -1, 4},         {6, 1, 5},          {99, -1, 4},
      {-3, 1, 2},        {-3, -1, 1},        {0, -1, 1},         {0, 1, 2},
      {INT32_MAX, 1, 5}, {INT32_MAX, -1, 4}, {INT32_MIN, -1, 1}, {INT32_MIN, 1, 2},
  };
  for (const Case& c : kCases)
    EXPECT_EQ(SteppedSpeed(c.speed, c.step), c.stepped) << c.speed << " step " << c.step;
}

TEST(SettingsControls, DigitEntriesOfTheSpeed) {
  constexpr int kBlank = 10;
  struct Case {
    int32_t speed;
    int tens;
    int units;
  };
  constexpr Case kCases[] = {
      {0, kBlank, 0},
      {1, kBlank, 1},
      {3, kBlank, 3},
      {9, kBlank, 9},
      {10, 1, 0},
      {57, 5, 7},
      {99, 9, 9},
      {100, kBlank, 0},
      {109, kBlank, 9},
      {110, kBlank, kBlank},
      {150, kBlank, kBlank},
      {-1, kBlank, kBlank},
      {-3, kBlank, kBlank},
      {INT32_MIN, kBlank, kBlank},
      {INT32_MAX, kBlank, kBlank},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(TensEntry(c.speed), c.tens) << c.speed;
    EXPECT_EQ(UnitsEntry(c.speed), c.units) << c.speed;
  }
}

TEST(SettingsControls, MusicShowsOnOnlyForOneAndATogglePutsAnyOtherValueOn) {
  struct Case {
    int32_t music;
    bool on;
    int32_t toggled;
  };
  constexpr Case kCases[] = {
      {0, false, 1}, {1, true, 0},          {2, false, 1},         {-1, false, 1},
      {3, false, 1}, {INT32_MAX, false, 1}, {INT32_MIN, false, 1},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(MusicShowsOn(c.music), c.on) << c.music;
    EXPECT_EQ(ToggledMusic(c.music), c.toggled) << c.music;
  }
}

}  // namespace
