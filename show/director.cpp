#include "show/director.h"

#include "show/show.h"

namespace {

constexpr int kSceneCount = 5;
constexpr int kLeadLoops = 6;
constexpr int kDarkTicks = 5;
// Minimum x of the right-most actor and first PlacementSizeTable index, for scenes 1 to 4.
constexpr int kSceneMinimumX[kSceneCount] = {0, 296, 328, 264, 448};
constexpr int kSceneFirstSize[kSceneCount] = {0, 0, 3, 6, 9};

int PlacementWidth(int index) { return kPlacementSizeTable[index]; }
int PlacementHeight(int index) { return kPlacementSizeTable[12 + index]; }

// A random number below `divisor`; divisors that a small screen makes zero or negative count
// as 1, so that the number is always taken and the result is 0.
int RandomBelow(Show& show, int divisor) {
  return NextRandom(show.random) % (divisor > 0 ? divisor : 1);
}

void PlaceSlot(Show& show, int slot, int sizeIndex) {
  show.scene.x[slot] = RandomBelow(show, show.screenSize.width - PlacementWidth(sizeIndex));
  show.scene.y[slot] = RandomBelow(show, show.screenSize.height - PlacementHeight(sizeIndex));
}

bool Overlap(const Scene& s, int i, int j, int k) {
  return s.x[j] < s.x[i] + PlacementWidth(k + i) && s.x[i] < s.x[j] + PlacementWidth(k + j) &&
         s.y[j] < s.y[i] + PlacementHeight(k + i) && s.y[i] < s.y[j] + PlacementHeight(k + j);
}

void EmitScene(Show& show, int kind, int level) {
  const Scene& s = show.scene;
  for (int slot = 0; slot < 3; ++slot)
    ActorEmit(show, s.x[slot], s.y[slot], s.actors[slot], kind, level);
}

}  // namespace

void SeparateActors(Show& show, int minimumX, int firstSizeIndex) {
  Scene& s = show.scene;
  const Size2 screen = show.screenSize;
  int right = 0;
  for (int slot = 1; slot < 3; ++slot)
    if (s.x[slot] > s.x[right]) right = slot;
  if (s.x[right] < minimumX) s.x[right] = minimumX;
  if (s.x[right] + PlacementWidth(firstSizeIndex + right) > screen.width)
    s.x[right] = screen.width - PlacementWidth(firstSizeIndex + right);

  constexpr int kPairs[3][2] = {{0, 1}, {0, 2}, {1, 2}};
  for (int pass = 0; pass < kMaxSeparationPasses; ++pass) {
    bool moved = false;
    for (const auto& pair : kPairs) {
      const int i = pair[0], j = pair[1];
      if (!Overlap(s, i, j, firstSizeIndex)) continue;
      const int slot = s.x[i] > s.x[j] ? j : i;
      PlaceSlot(show, slot, firstSizeIndex + slot);
      moved = true;
    }
    if (!moved) return;
  }
}

void ChooseScene(Show& show) {
  Scene& s = show.scene;
  const Size2 screen = show.screenSize;
  int scene;
  do {
    scene = NextRandom(show.random) % kSceneCount;
  } while (scene == s.number);
  s.number = scene;
  for (int slot = 0; slot < 3; ++slot) s.actors[slot] = 3 * scene + slot;

  if (scene == 0) {
    const bool vga = screen.width == 640 && screen.height == 480;
    const int base = vga ? 260 : RandomBelow(show, screen.width - 468) + 194;
    const int y = RandomBelow(show, screen.height - 224);
    const int offsets[3] = {0, 130, -194};
    for (int slot = 0; slot < 3; ++slot) {
      s.x[slot] = base + offsets[slot];
      s.y[slot] = y;
    }
    return;
  }
  for (int slot = 0; slot < 3; ++slot) PlaceSlot(show, slot, kSceneFirstSize[scene] + slot);
  SeparateActors(show, kSceneMinimumX[scene], kSceneFirstSize[scene]);
}

void DirectorInit(Show& show) {
  for (int actor = 0; actor < kActorCount; ++actor) {
    const int sheet = kActorSheet[actor];
    ActorInit(show, actor, kActorSequence[actor], 1, sheet, SheetFrameTable(sheet),
              SheetStepTable(sheet), SheetSequenceStartTable(sheet));
  }
  ChooseScene(show);
  show.fadeLevel = 9;
  show.fadingOut = 0;
}

void DirectorTick(Show& show) {
  DrawListReset(show.drawList);
  EmitScene(show, DRAW_RESTORE, 0);
  for (int slot = 0; slot < 3; ++slot) ActorAdvance(show, show.scene.actors[slot]);
  EmitScene(show, DRAW_MASKED, show.fadeLevel);

  Actor& lead = show.cast[show.scene.actors[0]];
  if (lead.loopCount >= kLeadLoops) show.fadingOut = 1;
  if (show.fadeLevel > 0 && show.fadingOut == 0) --show.fadeLevel;
  if (show.fadeLevel < 9 && show.fadingOut == 1) ++show.fadeLevel;
  if (show.fadeLevel >= 9) {
    if (show.fadingOut == 1) ++show.darkTicks;
    if (show.fadingOut == 1 && show.darkTicks > kDarkTicks) {
      lead.loopCount = 0;
      show.darkTicks = 0;
      show.fadingOut = 0;
      EmitScene(show, DRAW_RESTORE, 0);
      ChooseScene(show);
    }
  }
  DrawListFinish(show.drawList);
}
