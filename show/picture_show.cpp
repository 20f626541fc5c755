#include "show/picture_show.h"

#include <cstdlib>
#include <cstring>

#include "show/show.h"
#include "show/embedded_images.h"
#include "res/resource_ids.h"

namespace {

// The picture as the window was last given it: a tick hands out only what differs from it, so
// that a sprite erased and drawn again the same is not sent.
uint32_t* Shown = nullptr;
// The program's one show, placed and drawn for the whole picture, nothing shrunk.
Show TheShow;

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
  if (!SoftCreateBuffers(width, height)) return false;
  Shown = static_cast<uint32_t*>(std::calloc(size_t(width) * size_t(height), sizeof(uint32_t)));
  return Shown != nullptr;
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
  ShowSetUp(TheShow, RUN_SAVER, {width, height}, {width, height}, 1000, seed);
  return true;
}

bool ShowResize(int32_t width, int32_t height) {
  if (!MakePicture(width, height)) {
    ShowStop();
    return false;
  }
  // The scene in hand was placed for the old size: start another one, faded out, and draw it
  // whatever was drawn before. The generator goes on.
  TheShow.screenSize = TheShow.outputSize = {width, height};
  TheShow.darkTicks = 0;
  TheShow.lastDrawnLength = -1;
  DirectorInit(TheShow);
  return true;
}

int ShowTick(SoftRect* changed) {
  DirectorTick(TheShow);
  if (!Shown || !ShowListIsNew(TheShow)) return 0;
  const int drawn = SoftRenderFrame(TheShow.drawList.entries, changed);
  int kept = 0;
  for (int i = 0; i < drawn; ++i) {
    SoftRect rect = changed[i];
    if (Narrow(&rect)) changed[kept++] = rect;
  }
  return kept;
}

const Show& CurrentShow() { return TheShow; }

void ShowStop() {
  FreeShown();
  SoftReleaseAll();
}
