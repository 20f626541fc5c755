// The show's speeds and the tick period each one gives. Platform-free.
#pragma once

#include <cstdint>

constexpr int32_t kSpeedMin = 1;
constexpr int32_t kSpeedMax = 5;
constexpr int32_t kSpeedDefault = 3;

// The speed within 1 to 5 nearest to `speed`.
int32_t SpeedWithinRange(int64_t speed);

// The speed a hand-written settings value means, the one reading of it for every program: a
// decimal number (blanks around it, an optional sign, any number of digits, nothing else) takes
// the nearest of 1 to 5, however far outside it lies; any other text, an empty one or none, is
// the default speed.
int32_t SpeedFromText(const char* text);

// The frame timer's period for a speed, in milliseconds: 350 - 50 x speed, a speed outside 1 to
// 5 taking the nearest of the periods.
int32_t FramePeriodForSpeed(int32_t speed);
