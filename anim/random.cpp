#include "anim/random.h"

namespace {

uint32_t State = 1;

}  // namespace

void SeedRandom(uint32_t seed) { State = seed; }

int NextRandom() {
  State = State * 214013u + 2531011u;
  return static_cast<int>((State >> 16) & 0x7FFF);
}
