#include "show/speed.h"

namespace {

bool IsBlank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

}  // namespace

int32_t SpeedWithinRange(int64_t speed) {
  return static_cast<int32_t>(speed < kSpeedMin   ? kSpeedMin
                              : speed > kSpeedMax ? kSpeedMax
                                                  : speed);
}

int32_t SpeedFromText(const char* text) {
  if (text == nullptr) return kSpeedDefault;
  const char* p = text;
  while (IsBlank(*p)) ++p;
  bool negative = false;
  if (*p == '+' || *p == '-') negative = *p++ == '-';
  // Only the digits' count towards the range matters: the value is held once it is past 5.
  int64_t magnitude = 0;
  const char* digits = p;
  for (; *p >= '0' && *p <= '9'; ++p)
    if (magnitude <= kSpeedMax) magnitude = magnitude * 10 + (*p - '0');
  if (p == digits) return kSpeedDefault;
  while (IsBlank(*p)) ++p;
  if (*p != '\0') return kSpeedDefault;
  return SpeedWithinRange(negative ? -magnitude : magnitude);
}

int32_t FramePeriodForSpeed(int32_t speed) { return 350 - 50 * SpeedWithinRange(speed); }
