// The cast of fifteen actors: stepping through their two-frame sequences and emitting their
// current frame into the DrawList. Platform-free.
#pragma once

#include <cstdint>

#include "show/cast_tables.h"

struct Actor {
  int32_t sheet;
  const struct FrameRect* frameTable;
  const SequenceStep* step;  // the current step, inside the sheet's StepTable
  int32_t holdCounter;       // advances spent on the current step so far
  int32_t playMode;          // 1 loops the sequence; any other value plays it once
  int32_t loopCount;         // closing steps expired since the count was last set to 0
};

struct Show;

void ActorInit(Show& show, int actor, int sequence, int playMode, int sheet,
               const struct FrameRect* frameTable, const SequenceStep* stepTable,
               const int16_t* startTable);
// One tick: the current step is held for its hold count, then the sequence goes on to its
// next step; a closing step goes back to its loop's start, or stays when played once.
void ActorAdvance(Show& show, int actor);
// Appends an entry of the actor's current frame at (x, y), in full-screen coordinates, to the
// show's draw list; the preview scales every value by the show's scale factor.
void ActorEmit(Show& show, int x, int y, int actor, int kind, int level);
