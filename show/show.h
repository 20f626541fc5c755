// One show: everything that makes its frames (the scene, the cast, the draw list, the random
// generator and the sizes it draws for), held in one value that the director and the actors
// take by reference, so that several shows can run side by side. Platform-free.
#pragma once

#include <cstdint>

#include "show/actor.h"
#include "show/director.h"
#include "show/drawlist.h"
#include "show/random.h"
#include "show/runstate.h"

struct Show {
  Scene scene = {};
  int32_t fadeLevel = 9;  // 0 drawn in full, 1 to 8 dithered, 9 not drawn
  int32_t fadingOut = 0;  // 1 once the lead actor has completed six loops
  int32_t darkTicks = 0;  // ticks counted at level 9 while fading out
  Actor cast[kActorCount] = {};
  DrawList drawList = {};
  RandomGenerator random;
  int32_t runMode = RUN_SAVER;  // RUN_PREVIEW scales every sprite by scaleFactor
  Size2 screenSize = {0, 0};    // the screen the scenes are placed on
  Size2 outputSize = {0, 0};    // the surface they are drawn on
  int32_t scaleFactor = 1000;   // per mille, output against screen
  // The list drawn last, up to its end mark; -1 entries before the first.
  DrawEntry lastDrawn[kDrawListSlots] = {};
  int32_t lastDrawnLength = -1;
  // What the lists drawn so far left on the picture, which starts as its background.
  PictureSprites pictureSprites = {};
};

// Sets a show up afresh for scenes placed on `screen` and drawn on `output` in `runMode` at
// `scaleFactor`, its generator seeded with `seed`, its cast and its first scene.
void ShowSetUp(Show& show, int32_t runMode, Size2 screen, Size2 output, int32_t scaleFactor,
               uint32_t seed);
// Starts another scene, faded out, for a picture that holds only its background again (a new
// size, say, or one blanked after a spell unseen): every list from then on is drawn in full. The
// generator goes on.
void ShowStartFreshScene(Show& show);
// Notes the list the director has just built as the one drawn last; false when it repeats the
// one noted before. Every draw kind sets the pixels of its shape to values that do not depend
// on what the picture held there, so such a list changes nothing and need not be drawn.
bool ShowListIsNew(Show& show);
// The same, and writes to `out` (room for kDrawListSlots) what of the new list needs drawing on
// the picture the list noted before was drawn on (DrawListWithoutRedraws); false when the list
// repeats that one or nothing of it needs drawing.
bool ShowListToDraw(Show& show, DrawEntry* out);
// How many of the next ticks, up to `most`, have lists that need no drawing, found by running
// the director ahead on a copy of the show.
int ShowQuietTicks(const Show& show, int most);
