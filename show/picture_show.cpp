#include "show/picture_show.h"

#include <cstdlib>
#include <cstring>

namespace {

void FreeShown(PictureShow& show) {
  if (!show.shownLent) std::free(show.shown);
  show.shown = nullptr;
  show.shownStride = 0;
  show.shownLent = false;
}

bool MakePicture(PictureShow& show, int32_t width, int32_t height) {
  FreeShown(show);
  if (!SoftCreatePicture(show.picture, width, height)) return false;
  const size_t bytes = size_t(width) * size_t(height) * sizeof(uint32_t);
  show.shown = static_cast<uint32_t*>(std::malloc(bytes));
  if (!show.shown) return false;
  show.shownStride = size_t(width);
  FillZero(show.shown, bytes);
  return true;
}

// Narrows `rect` to the rows and columns in which the picture differs from the one shown and
// brings that one up to date there; false when nothing differs.
bool Narrow(PictureShow& show, SoftRect* rect) {
  const uint32_t* work = show.picture.work;
  const size_t stride = size_t(show.picture.width);
  int32_t top = -1, bottom = -1, left = rect->x + rect->width, right = rect->x;
  for (int32_t y = rect->y; y < rect->y + rect->height; ++y) {
    const uint32_t* now = work + y * stride;
    uint32_t* was = show.shown + y * show.shownStride;
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

bool PictureShowStart(PictureShow& show, const SoftSheets& sheets, int32_t width, int32_t height,
                      uint32_t seed) {
  if (!MakePicture(show, width, height)) {
    PictureShowStop(show);
    return false;
  }
  show.sheets = &sheets;
  ShowSetUp(show.show, RUN_SAVER, {width, height}, {width, height}, 1000, seed);
  return true;
}

bool PictureShowResize(PictureShow& show, int32_t width, int32_t height) {
  if (!MakePicture(show, width, height)) {
    PictureShowStop(show);
    return false;
  }
  // The scene in hand was placed for the old size: start another one, faded out, and draw it
  // whatever was drawn before. The generator goes on.
  show.show.screenSize = show.show.outputSize = {width, height};
  show.show.darkTicks = 0;
  show.show.lastDrawnLength = -1;
  show.show.pictureSprites = {};
  DirectorInit(show.show);
  return true;
}

bool PictureShowHandOutInto(PictureShow& show, uint32_t* pixels, size_t stride) {
  if (!show.shown || !pixels || stride < size_t(show.picture.width)) return false;
  FreeShown(show);
  show.shown = pixels;
  show.shownStride = stride;
  show.shownLent = true;
  return true;
}

int PictureShowTick(PictureShow& show, SoftRect* changed) {
  DirectorTick(show.show);
  DrawEntry toDraw[kDrawListSlots];
  if (!show.shown || !show.sheets || !ShowListToDraw(show.show, toDraw)) return 0;
  const int drawn = SoftRenderFrame(show.picture, *show.sheets, toDraw, changed);
  int kept = 0;
  for (int i = 0; i < drawn; ++i) {
    SoftRect rect = changed[i];
    if (Narrow(show, &rect)) changed[kept++] = rect;
  }
  return kept;
}

int PictureShowQuietTicks(const PictureShow& show, int most) {
  if (!show.shown || !show.sheets) return most;
  Show ahead = show.show;
  DrawEntry toDraw[kDrawListSlots];
  int quiet = 0;
  while (quiet < most) {
    DirectorTick(ahead);
    if (ShowListToDraw(ahead, toDraw)) break;
    ++quiet;
  }
  return quiet;
}

void PictureShowStop(PictureShow& show) {
  FreeShown(show);
  SoftFreePicture(show.picture);
}
