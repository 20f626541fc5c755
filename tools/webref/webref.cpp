// Writes the picture a PictureShow holds after a run, as raw RGBA bytes (alpha 255, top row
// first), the way a web page's canvas hands its pixels out: the reference the page is compared
// with.
//   webref OUTPUT SEED WIDTHxHEIGHT TICKS [WIDTHxHEIGHT TICKS]...
// Each further size resizes the show, as a window resize does, then runs its ticks.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "show/embedded_images.h"
#include "show/picture_show.h"

namespace {

bool ParseSize(const char* text, int32_t* width, int32_t* height) {
  char* end = nullptr;
  const long w = std::strtol(text, &end, 10);
  if (end == text || (*end != 'x' && *end != 'X')) return false;
  const char* heightText = end + 1;
  const long h = std::strtol(heightText, &end, 10);
  if (end == heightText || *end != '\0' || w <= 0 || h <= 0 || w > 32767 || h > 32767) {
    return false;
  }
  *width = static_cast<int32_t>(w);
  *height = static_cast<int32_t>(h);
  return true;
}

bool ParseCount(const char* text, unsigned long* value) {
  char* end = nullptr;
  *value = std::strtoul(text, &end, 10);
  return end != text && *end == '\0' && text[0] != '-';
}

bool WriteRgba(const char* path, const SoftPicture& picture) {
  std::vector<unsigned char> bytes(size_t(picture.width) * picture.height * 4);
  for (size_t i = 0; i < bytes.size() / 4; ++i) {
    const uint32_t pixel = picture.work[i];
    bytes[i * 4] = static_cast<unsigned char>(pixel >> 16);
    bytes[i * 4 + 1] = static_cast<unsigned char>(pixel >> 8);
    bytes[i * 4 + 2] = static_cast<unsigned char>(pixel);
    bytes[i * 4 + 3] = 255;
  }
  FILE* file = std::fopen(path, "wb");
  if (!file) return false;
  const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  return std::fclose(file) == 0 && written;
}

}  // namespace

int main(int argc, char** argv) {
  unsigned long seed = 0;
  if (argc < 5 || argc % 2 != 1 || !ParseCount(argv[2], &seed)) {
    std::fprintf(stderr, "usage: webref OUTPUT SEED WIDTHxHEIGHT TICKS [WIDTHxHEIGHT TICKS]...\n");
    return 2;
  }
  SoftSheets sheets;
  if (!SoftLoadProgramSheets(sheets, EmbeddedImage)) {
    std::fprintf(stderr, "webref: cannot load the sprite sheets\n");
    return 1;
  }
  PictureShow show;
  SoftRect changed[kDrawListSlots];
  int status = 0;
  for (int arg = 3; arg < argc && status == 0; arg += 2) {
    int32_t width = 0, height = 0;
    unsigned long ticks = 0;
    if (!ParseSize(argv[arg], &width, &height) || !ParseCount(argv[arg + 1], &ticks)) {
      std::fprintf(stderr, "webref: bad size or tick count: %s %s\n", argv[arg], argv[arg + 1]);
      status = 2;
    } else if (!(arg == 3 ? PictureShowStart(show, sheets, width, height, uint32_t(seed))
                          : PictureShowResize(show, width, height))) {
      std::fprintf(stderr, "webref: cannot make a %dx%d picture\n", width, height);
      status = 1;
    } else {
      for (unsigned long tick = 0; tick < ticks; ++tick) PictureShowTick(show, changed);
    }
  }
  if (status == 0 && !WriteRgba(argv[1], show.picture)) {
    std::fprintf(stderr, "webref: cannot write %s\n", argv[1]);
    status = 1;
  }
  PictureShowStop(show);
  SoftFreeSheets(sheets);
  return status;
}
