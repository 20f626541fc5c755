// Prints the draw entries that the scene director produces, tick by tick, for people who
// debug or study the animation:
//   scenetrace SEED WIDTHxHEIGHT TICKS [PREVIEWWIDTHxPREVIEWHEIGHT]
// Each line: tick kind sheet x y srcX srcY width height level.
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "show/show.h"

namespace {

bool ParseSize(const char* text, Size2* size) {
  char* end = nullptr;
  const long width = std::strtol(text, &end, 10);
  if (end == text || (*end != 'x' && *end != 'X')) return false;
  const char* heightText = end + 1;
  const long height = std::strtol(heightText, &end, 10);
  if (end == heightText || *end != '\0') return false;
  if (width <= 0 || height <= 0 || width > 32767 || height > 32767) return false;
  *size = Size2{static_cast<int32_t>(width), static_cast<int32_t>(height)};
  return true;
}

bool ParseCount(const char* text, unsigned long* value) {
  char* end = nullptr;
  *value = std::strtoul(text, &end, 10);
  return end != text && *end == '\0' && text[0] != '-';
}

}  // namespace

int main(int argc, char** argv) {
  unsigned long seed = 0, ticks = 0;
  Size2 screen, preview;
  if ((argc != 4 && argc != 5) || !ParseCount(argv[1], &seed) || !ParseSize(argv[2], &screen) ||
      !ParseCount(argv[3], &ticks) || (argc == 5 && !ParseSize(argv[4], &preview))) {
    std::fprintf(stderr,
                 "usage: scenetrace SEED WIDTHxHEIGHT TICKS [PREVIEWWIDTHxPREVIEWHEIGHT]\n");
    return 2;
  }
  const bool previewing = argc == 5;
  const Size2 output = previewing ? preview : screen;
  Show show;
  ShowSetUp(show, previewing ? RUN_PREVIEW : RUN_SAVER, screen, output,
            ComputeScaleFactor(output.width, output.height, screen.width, screen.height),
            static_cast<uint32_t>(seed));
  for (unsigned long tick = 1; tick <= ticks; ++tick) {
    DirectorTick(show);
    for (const DrawEntry* e = show.drawList.entries; e->kind != DRAW_END; ++e)
      std::printf("%lu %d %d %d %d %d %d %d %d %d\n", tick, e->kind, e->sheet, e->x, e->y, e->srcX,
                  e->srcY, e->width, e->height, e->level);
  }
  return 0;
}
