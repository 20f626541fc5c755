// The drawings of the fifteen actors.
#pragma once

#include <cairo.h>

// Draws frame `phase` (0: the actor's first frame, 1: its second) of `actor` into a
// width x height area whose top left corner is the origin. The actor stands on the bottom edge.
// Phase kPortrait draws only the head of actor 0, for the icon.
inline constexpr int kPortrait = 2;

void DrawActor(cairo_t* cr, int actor, int phase, int width, int height);
