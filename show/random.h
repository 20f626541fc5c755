// The runtime's linear congruential generator, as the program's own function so that one seed
// gives the same numbers on every platform. Platform-free.
#pragma once

#include <cstdint>

struct RandomGenerator {
  uint32_t state = 1;
};

// Starts the sequence anew: the same seed gives the same numbers.
void SeedRandom(RandomGenerator& random, uint32_t seed);
// The next number, 0 to 32767.
int NextRandom(RandomGenerator& random);
