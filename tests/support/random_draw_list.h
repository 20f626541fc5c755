// Random draw lists for the compositor tests: a few entries of every kind, level and sheet,
// known and unknown, with rectangles that cross every edge of the output. Platform-free.
#pragma once

#include <random>
#include <vector>

#include "show/drawlist.h"

// The seed the compositor tests start their generator with.
constexpr unsigned kRandomDrawListSeed = 20261210;

// One list of 1 to 12 entries (without the end mark) for an output of outW x outH and sheets
// of sheetW x sheetH; the source rectangle always lies inside the sheet.
std::vector<DrawEntry> RandomDrawList(std::mt19937& random, int outW, int outH, int sheetW,
                                      int sheetH);
