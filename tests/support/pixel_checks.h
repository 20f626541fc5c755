// Comparisons of pictures for the compositor and show tests, each giving "" when it holds and
// otherwise a line that says where it fails. Platform-free.
#pragma once

#include <cstdint>
#include <string>

#include "show/soft_compositor.h"
#include "tests/support/draw_reference.h"

// How many of the width x height pixels differ and the first of them; `gotName` and `wantName`
// name the two sides in that line.
std::string PixelDifference(const uint32_t* got, const uint32_t* want, int width, int height,
                            const char* gotName = "got", const char* wantName = "want");
std::string Difference(const RgbImage& got, const RgbImage& want);
// The first pixel that differs between `before` and `after` (width x height) outside every one
// of the `count` rectangles.
std::string ChangedOutsideRects(const uint32_t* before, const uint32_t* after, int width,
                                int height, const SoftRect* rects, int count);
