#include "windows/settings/control_values.h"

#include "windows/settings/skin_layout.h"

int32_t KnobOffsetForSpeed(int32_t speed) {
  // Worked out wide: a hand-edited speed may stand at either end of the 32-bit range.
  int64_t offset = (int64_t{speed} - kSpeedMin) * kKnobTravel / (kSpeedMax - kSpeedMin);
  if (offset < -kKnobSize) offset = -kKnobSize;
  if (offset > kKnobTravel + kKnobSize) offset = kKnobTravel + kKnobSize;
  return static_cast<int32_t>(offset);
}

int32_t KnobOffsetFromCursor(int32_t sliderLeft, int32_t sliderRight, int32_t cursorX) {
  const int64_t half = kKnobSize / 2;
  int64_t point;
  if (sliderLeft + half > cursorX) {
    point = half;
  } else if (sliderRight - half < cursorX) {
    point = kSkinControls[CONTROL_BAR].width - half;
  } else {
    point = int64_t{cursorX} - sliderLeft;
  }
  return static_cast<int32_t>(point - half);
}

int32_t SpeedFromOffset(int32_t offset) {
  int64_t speed = kSpeedMin + int64_t{kSpeedMax - kSpeedMin} * offset / kKnobTravel;
  if (speed < kSpeedMin) speed = kSpeedMin;
  if (speed > kSpeedMax) speed = kSpeedMax;
  return static_cast<int32_t>(speed);
}

int32_t SteppedSpeed(int32_t speed, int32_t step) {
  return SpeedWithinRange(int64_t{SpeedWithinRange(speed)} + step);
}

namespace {

bool SpeedShowable(int32_t speed) { return speed >= 0 && speed <= 109; }

}  // namespace

int TensEntry(int32_t speed) {
  if (!SpeedShowable(speed)) return kDigitBlank;
  const int32_t tens = speed / 10;
  return tens == 0 ? kDigitBlank : tens;
}

int UnitsEntry(int32_t speed) { return SpeedShowable(speed) ? speed % 10 : kDigitBlank; }

bool MusicShowsOn(int32_t music) { return music == 1; }

int32_t ToggledMusic(int32_t music) { return MusicShowsOn(music) ? 0 : 1; }
