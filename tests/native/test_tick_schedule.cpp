// When the ticks run: on time, through quiet spells, after late wakes and before a change.
#include <gtest/gtest.h>

#include <cstdint>

#include "show/tick_schedule.h"

namespace {

TEST(TickSchedule, RunsTheDueTicksAndSleepsThroughTheQuietOnes) {
  const struct {
    const char* name;
    TickSchedule before;
    int64_t now;
    int due;
    int64_t nextTick;  // after
    int64_t wakeAt;    // after, with no quiet ticks set anew
  } cases[] = {
      {"not yet due", {1100, 100, 0}, 1099, 0, 1100, 1100},
      {"due on time", {1100, 100, 0}, 1100, 1, 1200, 1200},
      {"a little late: the next stays on the beat", {1100, 100, 0}, 1150, 1, 1200, 1200},
      {"quiet ticks not yet over", {1100, 100, 3}, 1350, 0, 1100, 1400},
      {"quiet ticks over: they run with the one after them", {1100, 100, 3}, 1400, 4, 1500, 1500},
      {"a late wake does not catch up", {1100, 100, 0}, 5000, 1, 5100, 5100},
      {"late after quiet ticks", {1100, 100, 2}, 1900, 3, 2000, 2000},
  };
  for (const auto& c : cases) {
    TickSchedule schedule = c.before;
    EXPECT_EQ(TickScheduleDue(schedule, c.now), c.due) << c.name;
    EXPECT_EQ(schedule.nextTick, c.nextTick) << c.name;
    EXPECT_EQ(TickScheduleWakeAt(schedule), c.wakeAt) << c.name;
    if (c.due > 0) EXPECT_EQ(schedule.quiet, 0) << c.name;
  }
}

TEST(TickSchedule, CatchingUpRunsEveryTickDueByNowInPieces) {
  const struct {
    const char* name;
    TickSchedule before;
    int64_t now;
    int most;
    int due;
    int64_t nextTick;  // after
  } cases[] = {
      {"not yet due", {1100, 100, 0}, 1098, 10, 0, 1100},
      {"a millisecond early still runs", {1100, 100, 0}, 1099, 10, 1, 1200},
      {"on time", {1100, 100, 0}, 1100, 10, 1, 1200},
      {"quiet ticks past are run", {1100, 100, 3}, 1400, 10, 4, 1500},
      {"a wake a second late catches up", {1100, 100, 0}, 2150, 100, 11, 2200},
      {"a long sleep is caught up in pieces", {1100, 100, 0}, 1000000, 2000, 2000, 201100},
      {"nothing at most 0", {1100, 100, 0}, 5000, 0, 0, 1100},
  };
  for (const auto& c : cases) {
    TickSchedule schedule = c.before;
    EXPECT_EQ(TickScheduleCatchUp(schedule, c.now, c.most), c.due) << c.name;
    EXPECT_EQ(schedule.nextTick, c.nextTick) << c.name;
    if (c.due > 0) EXPECT_EQ(schedule.quiet, 0) << c.name;
  }
}

TEST(TickSchedule, BeforeAChangeTheQuietTicksAlreadyDueRunAndTheRestAreForgotten) {
  const struct {
    const char* name;
    TickSchedule before;
    int64_t now;
    int due;
    int64_t nextTick;
  } cases[] = {
      {"none due yet", {1100, 100, 5}, 1050, 0, 1100},
      {"two of five due", {1100, 100, 5}, 1250, 2, 1300},
      {"all due", {1100, 100, 3}, 9000, 3, 1400},
      {"no quiet ticks", {1100, 100, 0}, 9000, 0, 1100},
  };
  for (const auto& c : cases) {
    TickSchedule schedule = c.before;
    EXPECT_EQ(TickScheduleDueBeforeChange(schedule, c.now), c.due) << c.name;
    EXPECT_EQ(schedule.nextTick, c.nextTick) << c.name;
    EXPECT_EQ(schedule.quiet, 0) << c.name;
  }
}

TEST(TickSchedule, StartsOnePeriodFromNow) {
  const TickSchedule schedule = TickScheduleStart(700, 150);
  EXPECT_EQ(TickScheduleWakeAt(schedule), 850);
  EXPECT_EQ(schedule.quiet, 0);
}

}  // namespace
