#include "show/picture_show.h"

#include <cstring>

bool PictureShowStart(PictureShow& show, const SoftSheets& sheets, int32_t width, int32_t height,
                      uint32_t seed) {
  if (!SoftCreatePicture(show.picture, width, height)) {
    PictureShowStop(show);
    return false;
  }
  show.sheets = &sheets;
  ShowSetUp(show.show, RUN_SAVER, {width, height}, {width, height}, 1000, seed);
  return true;
}

bool PictureShowResize(PictureShow& show, int32_t width, int32_t height) {
  if (!SoftCreatePicture(show.picture, width, height)) {
    PictureShowStop(show);
    return false;
  }
  // The scene in hand was placed for the old size: start another one.
  show.show.screenSize = show.show.outputSize = {width, height};
  ShowStartFreshScene(show.show);
  return true;
}

void PictureShowRestart(PictureShow& show) {
  SoftPicture& picture = show.picture;
  if (!picture.work) return;
  const size_t rowBytes = size_t(picture.width) * sizeof(uint32_t);
  for (int32_t y = 0; y < picture.height; ++y) {
    uint32_t* row = picture.work + size_t(y) * picture.stride;
    if (picture.background) {
      std::memcpy(row, picture.background + size_t(y) * size_t(picture.width), rowBytes);
    } else {
      std::memset(row, 0, rowBytes);
    }
  }
  ShowStartFreshScene(show.show);
}

bool PictureShowDrawInto(PictureShow& show, uint32_t* pixels, size_t stride) {
  return SoftDrawPictureInto(show.picture, pixels, stride);
}

int PictureShowTick(PictureShow& show, SoftRect* changed) {
  DirectorTick(show.show);
  DrawEntry toDraw[kDrawListSlots];
  if (!show.picture.work || !show.sheets || !ShowListToDraw(show.show, toDraw)) return 0;
  return SoftRenderFrame(show.picture, *show.sheets, toDraw, changed);
}

int PictureShowQuietTicks(const PictureShow& show, int most) {
  if (!show.picture.work || !show.sheets) return most;
  return ShowQuietTicks(show.show, most);
}

void PictureShowStop(PictureShow& show) { SoftFreePicture(show.picture); }
