#include "show/tick_schedule.h"

TickSchedule TickScheduleStart(int64_t now, int64_t period) {
  return TickSchedule{now + period, period, 0};
}

int64_t TickScheduleWakeAt(const TickSchedule& schedule) {
  return schedule.nextTick + schedule.quiet * schedule.period;
}

int TickScheduleDue(TickSchedule& schedule, int64_t now) {
  if (now < TickScheduleWakeAt(schedule)) return 0;
  const int due = schedule.quiet + 1;
  schedule.nextTick += due * schedule.period;
  if (schedule.nextTick <= now) schedule.nextTick = now + schedule.period;
  schedule.quiet = 0;
  return due;
}

int TickScheduleCatchUp(TickSchedule& schedule, int64_t now, int most) {
  if (now + 1 < schedule.nextTick || most < 1) return 0;
  const int64_t late = (now + 1 - schedule.nextTick) / schedule.period + 1;
  const int due = late < most ? static_cast<int>(late) : most;
  schedule.nextTick += due * schedule.period;
  schedule.quiet = 0;
  return due;
}

int TickScheduleDueBeforeChange(TickSchedule& schedule, int64_t now) {
  int due = 0;
  for (; schedule.quiet > 0 && now >= schedule.nextTick; --schedule.quiet) {
    ++due;
    schedule.nextTick += schedule.period;
  }
  schedule.quiet = 0;
  return due;
}
