#include "show/actor.h"

#include "show/show.h"

namespace {

int16_t Scaled(const Show& show, int32_t value) {
  if (show.runMode == RUN_SAVER) return static_cast<int16_t>(value);
  return static_cast<int16_t>(int64_t(value) * show.scaleFactor / 1000);
}

}  // namespace

void ActorInit(Show& show, int actor, int sequence, int playMode, int sheet,
               const FrameRect* frameTable, const SequenceStep* stepTable,
               const int16_t* startTable) {
  Actor& a = show.cast[actor];
  a.sheet = sheet;
  a.frameTable = frameTable;
  a.playMode = playMode;
  a.step = stepTable + startTable[sequence];
  a.holdCounter = 0;
  a.loopCount = 0;
}

void ActorAdvance(Show& show, int actor) {
  Actor& a = show.cast[actor];
  const SequenceStep& step = *a.step;
  if (a.holdCounter < step.hold) {
    ++a.holdCounter;
    return;
  }
  a.holdCounter = 0;
  if (step.loopLength != 0) ++a.loopCount;
  if (a.playMode == 1)
    a.step += 1 - step.loopLength;
  else if (step.loopLength == 0)
    ++a.step;
}

void ActorEmit(Show& show, int x, int y, int actor, int kind, int level) {
  const Actor& a = show.cast[actor];
  DrawEntry* entry = DrawListCurrent(show.drawList);
  DrawEntryClear(entry);
  entry->kind = static_cast<uint8_t>(kind);
  entry->level = static_cast<uint16_t>(level);
  entry->sheet = static_cast<uint8_t>(a.sheet);
  const FrameRect& frame = a.frameTable[a.step->frame];
  entry->x = Scaled(show, x);
  entry->y = Scaled(show, y);
  entry->srcX = Scaled(show, frame.srcX);
  entry->srcY = Scaled(show, frame.srcY);
  entry->width = Scaled(show, frame.width);
  entry->height = Scaled(show, frame.height);
  DrawListAdvance(show.drawList);
}
