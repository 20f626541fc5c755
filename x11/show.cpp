#include "x11/show.h"

#include <cstdlib>
#include <cstring>

#include "anim/director.h"
#include "anim/random.h"
#include "core/runstate.h"
#include "gfx/embedded_images.h"
#include "res/resource_ids.h"

namespace {

// The picture as the window was last given it: a tick hands out only what differs from it, so
// that a sprite erased and drawn again the same is not sent.
uint32_t* Shown = nullptr;
// The list drawn last, up to its end mark. Every entry sets the pixels it draws to values that
// depend only on the sheet, the pattern and the background, never on what was there, so a list
// drawn again right after itself changes nothing and is left out.
DrawEntry LastList[kDrawListSlots] = {};
int LastListLength = -1;  // entries before the end mark; -1 when there is none

// Notes the list the director has just built; false when it is the one drawn last.
bool ListIsNew() {
  const DrawEntry* entries = DrawListEntries();
  int length = 0;
  while (length < kDrawListSlots && entries[length].kind != DRAW_END) ++length;
  if (length == LastListLength &&
      std::memcmp(entries, LastList, size_t(length) * sizeof(DrawEntry)) == 0) {
    return false;
  }
  std::memcpy(LastList, entries, size_t(length) * sizeof(DrawEntry));
  LastListLength = length;
  return true;
}

bool LoadSheets() {
  for (int slot = 0; slot < kSoftSheetSlots; ++slot) {
    const uint8_t* data = nullptr;
    size_t size = 0;
    if (!EmbeddedImage(kSheetResources[slot], &data, &size) || !SoftLoadSheet(slot, data, size)) {
      return false;
    }
  }
  return true;
}

void FreeShown() {
  std::free(Shown);
  Shown = nullptr;
}

bool MakePicture(int32_t width, int32_t height) {
  FreeShown();
  LastListLength = -1;
  if (!SoftCreateBuffers(width, height)) return false;
  Shown = static_cast<uint32_t*>(std::calloc(size_t(width) * size_t(height), sizeof(uint32_t)));
  if (!Shown) return false;
  // The whole picture is the screen: the saver's run state, with nothing shrunk.
  RunMode = RUN_SAVER;
  ScreenSize = {width, height};
  OutputSize = ScreenSize;
  ScaleFactor = 1000;
  return true;
}

// Narrows `rect` to the rows and columns in which the work picture differs from Shown and
// brings Shown up to date there; false when nothing differs.
bool Narrow(SoftRect* rect) {
  const uint32_t* work = SoftWorkPixels();
  const size_t stride = size_t(SoftWorkSize().width);
  int32_t top = -1, bottom = -1, left = rect->x + rect->width, right = rect->x;
  for (int32_t y = rect->y; y < rect->y + rect->height; ++y) {
    const uint32_t* now = work + y * stride;
    uint32_t* was = Shown + y * stride;
    if (std::memcmp(now + rect->x, was + rect->x, size_t(rect->width) * 4) == 0) continue;
    if (top < 0) top = y;
    bottom = y;
    int32_t first = rect->x, last = rect->x + rect->width - 1;
    while (now[first] == was[first]) ++first;
    while (now[last] == was[last]) --last;
    if (first < left) left = first;
    if (last + 1 > right) right = last + 1;
    std::memcpy(was + first, now + first, size_t(last + 1 - first) * 4);
  }
  if (top < 0) return false;
  *rect = SoftRect{left, top, right - left, bottom + 1 - top};
  return true;
}

}  // namespace

bool ShowStart(int32_t width, int32_t height, uint32_t seed) {
  if (!LoadSheets() || !MakePicture(width, height)) {
    ShowStop();
    return false;
  }
  SeedRandom(seed);
  DirectorInit();
  return true;
}

bool ShowResize(int32_t width, int32_t height) {
  if (!MakePicture(width, height)) {
    ShowStop();
    return false;
  }
  // The scene in hand was placed for the old size: start another one, faded out.
  DarkTicks = 0;
  DirectorInit();
  return true;
}

int ShowTick(SoftRect* changed) {
  DirectorTick();
  if (!Shown || !ListIsNew()) return 0;
  const int drawn = SoftRenderFrame(changed);
  int kept = 0;
  for (int i = 0; i < drawn; ++i) {
    SoftRect rect = changed[i];
    if (Narrow(&rect)) changed[kept++] = rect;
  }
  return kept;
}

void ShowStop() {
  FreeShown();
  SoftReleaseAll();
}
