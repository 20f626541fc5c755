// What the settings window's controls show and set: the speed from the slider's knob, the
// knob from the speed, the digits of the speed, the steps of the minus and plus buttons and
// the music toggle. Platform-free.
#pragma once

#include <cstdint>

#include "show/speed.h"

// The knob's offset inside the slider for a speed: 0, 43, 86, 129 or 172 for 1 to 5. Speeds
// outside the range put the knob beyond the track, where the slider clips it; the offset is
// held a knob's width past either end so that no speed overflows it.
int32_t KnobOffsetForSpeed(int32_t speed);

// The knob offset (0 to 172) that puts the knob's middle under the cursor, as near as the
// track allows; the slider's left and right edges and the cursor in screen coordinates.
int32_t KnobOffsetFromCursor(int32_t sliderLeft, int32_t sliderRight, int32_t cursorX);

// The speed a knob offset chooses, within 1 to 5; only the far right end gives 5.
int32_t SpeedFromOffset(int32_t offset);

// One step down (step < 0) or up (step > 0), held within 1 to 5; a speed outside the range is
// first taken to its nearest end, so no step leaves it.
int32_t SteppedSpeed(int32_t speed, int32_t step);

// The digit strip entries the tens and units displays show. 0 to 9 show in the units place
// alone, 10 to 109 in both (the tens place reaching the blank from 100 on); speeds outside 0
// to 109 have no digits and leave both places blank.
int TensEntry(int32_t speed);
int UnitsEntry(int32_t speed);

// The saver plays music only for a flag of exactly 1, so only 1 shows the "on" faces; a toggle
// turns 1 off and any other value on.
bool MusicShowsOn(int32_t music);
int32_t ToggledMusic(int32_t music);
