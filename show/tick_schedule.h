// When a program runs the show's ticks: one every period, sleeping through the ticks that change
// nothing. A pure function of the time, the period and the quiet ticks. Platform-free.
#pragma once

#include <cstdint>

// Ticks a program may sleep through at most, so that a long quiet spell is looked ahead in steps.
constexpr int kMostQuietTicks = 20;

struct TickSchedule {
  int64_t nextTick;  // when the next tick is due, in milliseconds of the program's clock
  int64_t period;    // milliseconds from one tick to the next
  // Ticks from nextTick on that change nothing: the program sleeps through them and runs them
  // when it wakes, as it must before anything else touches the show.
  int quiet;
};

// A schedule whose first tick is due one period after `now`.
TickSchedule TickScheduleStart(int64_t now, int64_t period);
// When the program must wake next: at the tick after the quiet ones.
int64_t TickScheduleWakeAt(const TickSchedule& schedule);
// How many ticks to run at `now`, the quiet ones with the one after them, and moves the schedule
// past them; 0 before the wake is due. A late wake does not catch up: the tick after it is due
// a period later. The caller then sets `quiet` anew, looking ahead from the new state.
int TickScheduleDue(TickSchedule& schedule, int64_t now);
// Every tick due by `now`, however late the wake (a throttled timer, a hidden page), at most
// `most` of them, and moves the schedule past them, so that the show keeps its place against
// the clock and the music; 0 before the next tick is due. A wake up to a millisecond early still
// runs its tick. The caller then sets `quiet` anew, or 0 while it is still behind.
int TickScheduleCatchUp(TickSchedule& schedule, int64_t now, int most);
// Before the show changes under the schedule (a resize, a fresh scene): how many of the quiet
// ticks were already due at `now`, which are run first as they would have run on time. The rest
// are forgotten, for the changed show is looked at afresh.
int TickScheduleDueBeforeChange(TickSchedule& schedule, int64_t now);
