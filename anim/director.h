// The scene director: chooses scenes of three actors, places them, and runs the fade-in,
// hold, fade-out and pause of each scene, rebuilding the DrawList every tick. Platform-free.
#pragma once

#include <cstdint>

struct Scene {
  int32_t number;     // 0 to 4, the scene chosen last
  int32_t actors[3];  // slot 0 holds the lead actor
  int32_t x[3];       // top-left corners in full-screen pixels
  int32_t y[3];
};

extern Scene CurrentScene;
extern int32_t FadeLevel;  // 0 drawn in full, 1 to 8 dithered, 9 not drawn
extern int32_t FadingOut;  // 1 once the lead actor has completed six loops
extern int32_t DarkTicks;  // ticks counted at level 9 while fading out

// Passes that SeparateActors makes at most; past them an overlap is accepted (only screens
// too small for a scene's three rectangles ever get there).
constexpr int kMaxSeparationPasses = 1000;

void DirectorInit();
void DirectorTick();
void ChooseScene();
void SeparateActors(int minimumX, int firstSizeIndex);
