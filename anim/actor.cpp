#include "anim/actor.h"

#include "core/runstate.h"
#include "gfx/drawlist.h"

Actor Cast[kActorCount];

namespace {

int16_t Scaled(int32_t value) {
  if (RunMode == RUN_SAVER) return static_cast<int16_t>(value);
  return static_cast<int16_t>(int64_t(value) * ScaleFactor / 1000);
}

}  // namespace

void ActorInit(int actor, int sequence, int playMode, int sheet, const FrameRect* frameTable,
               const SequenceStep* stepTable, const int16_t* startTable) {
  Actor& a = Cast[actor];
  a.sheet = sheet;
  a.frameTable = frameTable;
  a.playMode = playMode;
  a.step = stepTable + startTable[sequence];
  a.holdCounter = 0;
  a.loopCount = 0;
}

void ActorAdvance(int actor) {
  Actor& a = Cast[actor];
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

void ActorEmit(int x, int y, int actor, int kind, int level) {
  const Actor& a = Cast[actor];
  DrawEntry* entry = DrawListCurrent();
  DrawEntryClear(entry);
  entry->kind = static_cast<uint8_t>(kind);
  entry->level = static_cast<uint16_t>(level);
  entry->sheet = static_cast<uint8_t>(a.sheet);
  const FrameRect& frame = a.frameTable[a.step->frame];
  entry->x = Scaled(x);
  entry->y = Scaled(y);
  entry->srcX = Scaled(frame.srcX);
  entry->srcY = Scaled(frame.srcY);
  entry->width = Scaled(frame.width);
  entry->height = Scaled(frame.height);
  DrawListAdvance();
}
