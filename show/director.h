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

struct Show;

// Passes that SeparateActors makes at most; past them an overlap is accepted (only screens
// too small for a scene's three rectangles ever get there).
constexpr int kMaxSeparationPasses = 1000;

void DirectorInit(Show& show);
void DirectorTick(Show& show);
void ChooseScene(Show& show);
void SeparateActors(Show& show, int minimumX, int firstSizeIndex);
