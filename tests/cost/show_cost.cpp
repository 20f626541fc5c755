// Runs the show as the native program does (a tick, then the quiet ticks looked ahead and run
// together) for a fixed seed, size and number of ticks, for callgrind to count the instructions
// of RunTicks alone:
//   show_cost WIDTHxHEIGHT TICKS SEED
// Prints the ticks run, the ticks whose picture changed and a sum of the last picture.
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "show/embedded_images.h"
#include "show/picture_show.h"

namespace {

// As many quiet ticks as the native program looks ahead at most.
constexpr int kMostQuietTicks = 20;

struct Counts {
  long ticks = 0;
  long changed = 0;
};

bool ParseSize(const char* text, int32_t* width, int32_t* height) {
  char* end = nullptr;
  const long w = std::strtol(text, &end, 10);
  if (end == text || *end != 'x') return false;
  const char* rest = end + 1;
  const long h = std::strtol(rest, &end, 10);
  if (end == rest || *end != '\0' || w <= 0 || h <= 0 || w > 16384 || h > 16384) return false;
  *width = static_cast<int32_t>(w);
  *height = static_cast<int32_t>(h);
  return true;
}

bool ParseCount(const char* text, long most, long* value) {
  char* end = nullptr;
  *value = std::strtol(text, &end, 10);
  return end != text && *end == '\0' && *value >= 0 && *value <= most;
}

// The counted part: kept out of line so that callgrind can count it by name.
[[gnu::noinline]] Counts RunTicks(PictureShow& show, long ticks) {
  SoftRect changed[kDrawListSlots];
  Counts counts;
  while (counts.ticks < ticks) {
    const int quiet = PictureShowQuietTicks(show, kMostQuietTicks);
    for (int i = 0; i <= quiet && counts.ticks < ticks; ++i, ++counts.ticks) {
      if (PictureShowTick(show, changed) > 0) ++counts.changed;
    }
  }
  return counts;
}

}  // namespace

int main(int argc, char** argv) {
  int32_t width = 0, height = 0;
  long ticks = 0, seed = 0;
  if (argc != 4 || !ParseSize(argv[1], &width, &height) || !ParseCount(argv[2], 1000000, &ticks) ||
      !ParseCount(argv[3], 0xFFFFFFFFL, &seed)) {
    std::fprintf(stderr, "usage: show_cost WIDTHxHEIGHT TICKS SEED\n");
    return 2;
  }
  SoftSheets sheets;
  PictureShow show;
  if (!SoftLoadProgramSheets(sheets, EmbeddedImage) ||
      !PictureShowStart(show, sheets, width, height, static_cast<uint32_t>(seed))) {
    std::fprintf(stderr, "show_cost: cannot make the picture\n");
    return 1;
  }
  const Counts counts = RunTicks(show, ticks);
  uint32_t sum = 0;
  for (int32_t y = 0; y < height; ++y) {
    const uint32_t* row = show.picture.work + size_t(y) * show.picture.stride;
    for (int32_t x = 0; x < width; ++x) sum = sum * 31 + row[x];
  }
  std::printf("ticks %ld changed %ld sum %08x\n", counts.ticks, counts.changed, sum);
  PictureShowStop(show);
  SoftFreeSheets(sheets);
  return 0;
}
