#include "anim/director.h"

#include "anim/actor.h"
#include "anim/random.h"
#include "core/runstate.h"
#include "gfx/drawlist.h"

Scene CurrentScene = {};
int32_t FadeLevel = 9;
int32_t FadingOut = 0;
int32_t DarkTicks = 0;

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
int RandomBelow(int divisor) { return NextRandom() % (divisor > 0 ? divisor : 1); }

void PlaceSlot(int slot, int sizeIndex) {
  CurrentScene.x[slot] = RandomBelow(ScreenSize.width - PlacementWidth(sizeIndex));
  CurrentScene.y[slot] = RandomBelow(ScreenSize.height - PlacementHeight(sizeIndex));
}

bool Overlap(int i, int j, int k) {
  const Scene& s = CurrentScene;
  return s.x[j] < s.x[i] + PlacementWidth(k + i) && s.x[i] < s.x[j] + PlacementWidth(k + j) &&
         s.y[j] < s.y[i] + PlacementHeight(k + i) && s.y[i] < s.y[j] + PlacementHeight(k + j);
}

void EmitScene(int kind, int level) {
  for (int slot = 0; slot < 3; ++slot)
    ActorEmit(CurrentScene.x[slot], CurrentScene.y[slot], CurrentScene.actors[slot], kind, level);
}

}  // namespace

void SeparateActors(int minimumX, int firstSizeIndex) {
  Scene& s = CurrentScene;
  int right = 0;
  for (int slot = 1; slot < 3; ++slot)
    if (s.x[slot] > s.x[right]) right = slot;
  if (s.x[right] < minimumX) s.x[right] = minimumX;
  if (s.x[right] + PlacementWidth(firstSizeIndex + right) > ScreenSize.width)
    s.x[right] = ScreenSize.width - PlacementWidth(firstSizeIndex + right);

  constexpr int kPairs[3][2] = {{0, 1}, {0, 2}, {1, 2}};
  for (int pass = 0; pass < kMaxSeparationPasses; ++pass) {
    bool moved = false;
    for (const auto& pair : kPairs) {
      const int i = pair[0], j = pair[1];
      if (!Overlap(i, j, firstSizeIndex)) continue;
      const int slot = s.x[i] > s.x[j] ? j : i;
      PlaceSlot(slot, firstSizeIndex + slot);
      moved = true;
    }
    if (!moved) return;
  }
}

void ChooseScene() {
  int scene;
  do {
    scene = NextRandom() % kSceneCount;
  } while (scene == CurrentScene.number);
  CurrentScene.number = scene;
  for (int slot = 0; slot < 3; ++slot) CurrentScene.actors[slot] = 3 * scene + slot;

  if (scene == 0) {
    const bool vga = ScreenSize.width == 640 && ScreenSize.height == 480;
    const int base = vga ? 260 : RandomBelow(ScreenSize.width - 468) + 194;
    const int y = RandomBelow(ScreenSize.height - 224);
    const int offsets[3] = {0, 130, -194};
    for (int slot = 0; slot < 3; ++slot) {
      CurrentScene.x[slot] = base + offsets[slot];
      CurrentScene.y[slot] = y;
    }
    return;
  }
  for (int slot = 0; slot < 3; ++slot) PlaceSlot(slot, kSceneFirstSize[scene] + slot);
  SeparateActors(kSceneMinimumX[scene], kSceneFirstSize[scene]);
}

void DirectorInit() {
  for (int actor = 0; actor < kActorCount; ++actor) {
    const int sheet = kActorSheet[actor];
    ActorInit(actor, kActorSequence[actor], 1, sheet, SheetFrameTable(sheet), SheetStepTable(sheet),
              SheetSequenceStartTable(sheet));
  }
  ChooseScene();
  FadeLevel = 9;
  FadingOut = 0;
}

void DirectorTick() {
  DrawListReset();
  EmitScene(DRAW_RESTORE, 0);
  for (int slot = 0; slot < 3; ++slot) ActorAdvance(CurrentScene.actors[slot]);
  EmitScene(DRAW_MASKED, FadeLevel);

  Actor& lead = Cast[CurrentScene.actors[0]];
  if (lead.loopCount >= kLeadLoops) FadingOut = 1;
  if (FadeLevel > 0 && FadingOut == 0) --FadeLevel;
  if (FadeLevel < 9 && FadingOut == 1) ++FadeLevel;
  if (FadeLevel >= 9) {
    if (FadingOut == 1) ++DarkTicks;
    if (FadingOut == 1 && DarkTicks > kDarkTicks) {
      lead.loopCount = 0;
      DarkTicks = 0;
      FadingOut = 0;
      EmitScene(DRAW_RESTORE, 0);
      ChooseScene();
    }
  }
  DrawListFinish();
}
