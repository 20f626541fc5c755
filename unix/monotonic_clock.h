// The clock the Linux programs keep their ticks by: milliseconds of CLOCK_MONOTONIC, which no
// change of the wall clock moves.
#pragma once

#include <time.h>

#include <cstdint>

inline int64_t NowMs() {
  timespec now;
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}
