#include "show/speed.h"

int32_t FramePeriodForSpeed(int32_t speed) {
  const int32_t clamped = speed < kSpeedMin ? kSpeedMin : speed > kSpeedMax ? kSpeedMax : speed;
  return 350 - 50 * clamped;
}
