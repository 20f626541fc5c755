// The show's speeds and the tick period each one gives. Platform-free.
#pragma once

#include <cstdint>

constexpr int32_t kSpeedMin = 1;
constexpr int32_t kSpeedMax = 5;

// The frame timer's period for a speed, in milliseconds: 350 - 50 x speed, a speed outside 1 to
// 5 taking the nearest of the periods.
int32_t FramePeriodForSpeed(int32_t speed);
