// Constant frame, sequence and placement tables of the cast. Platform-free.
#pragma once

#include <cstdint>

#include "show/drawlist.h"

// Written "struct FrameRect" where it is used, so that code that also sees the Windows
// headers (which declare a function of that name) can include this file.
struct FrameRect {
  int16_t srcX;
  int16_t srcY;
  int16_t width;
  int16_t height;
};

struct SequenceStep {
  int16_t frame;       // index into the sheet's FrameTable
  int16_t hold;        // the step stays current for hold + 1 advances
  int16_t loopLength;  // 0: go on to the next step; n > 0: close a loop of n steps
};

constexpr int kActorCount = 15;

// Full-size pixel dimensions of the three sprite sheets.
constexpr int kSheetWidth[kSheetCount] = {600, 480, 616};
constexpr int kSheetHeight[kSheetCount] = {632, 768, 496};

constexpr struct FrameRect kFrameTable0[12] = {
    {8, 0, 120, 224},   {8, 224, 120, 224},   {128, 0, 144, 224},   {128, 224, 144, 224},
    {272, 0, 184, 224}, {272, 224, 184, 224}, {456, 0, 144, 192},   {456, 192, 144, 192},
    {8, 448, 152, 184}, {160, 448, 152, 184}, {312, 448, 120, 176}, {432, 448, 120, 176},
};
constexpr struct FrameRect kFrameTable1[12] = {
    {0, 0, 168, 192},     {0, 192, 168, 192},   {168, 0, 160, 184}, {168, 192, 160, 184},
    {328, 0, 152, 208},   {328, 216, 152, 208}, {0, 384, 96, 192},  {96, 384, 96, 192},
    {200, 376, 120, 200}, {320, 424, 120, 200}, {0, 576, 144, 192}, {144, 576, 144, 192},
};
constexpr struct FrameRect kFrameTable2[6] = {
    {0, 0, 256, 248},     {0, 248, 256, 248}, {256, 0, 192, 168},
    {256, 168, 192, 168}, {448, 0, 168, 176}, {448, 176, 168, 176},
};

constexpr SequenceStep kStepTable0[12] = {
    {0, 2, 0}, {1, 2, 2}, {2, 2, 0}, {3, 2, 2}, {4, 2, 0},  {5, 2, 2},
    {6, 2, 0}, {7, 2, 2}, {8, 2, 0}, {9, 2, 2}, {10, 2, 0}, {11, 2, 2},
};
// Steps 2 to 5 show frames 4, 5, 2, 3 in that order.
constexpr SequenceStep kStepTable1[12] = {
    {0, 2, 0}, {1, 2, 2}, {4, 2, 0}, {5, 2, 2}, {2, 2, 0},  {3, 2, 2},
    {6, 3, 0}, {7, 2, 2}, {8, 2, 0}, {9, 3, 2}, {10, 3, 0}, {11, 2, 2},
};
constexpr SequenceStep kStepTable2[6] = {
    {0, 3, 0}, {1, 2, 2}, {2, 2, 0}, {3, 3, 2}, {4, 3, 0}, {5, 2, 2},
};

constexpr int16_t kSequenceStartTable0[6] = {0, 2, 4, 6, 8, 10};
constexpr int16_t kSequenceStartTable1[6] = {0, 2, 4, 6, 8, 10};
constexpr int16_t kSequenceStartTable2[3] = {0, 2, 4};

// Sizes with which actors 3 to 14 are placed and kept apart: twelve widths, then twelve
// heights, indexed by actor number - 3. Used as stored (actors 7 and 8 differ from their frames).
constexpr int16_t kPlacementSizeTable[24] = {
    144, 152, 120, 168, 160, 152, 96,  120, 144, 256, 192, 168,
    192, 184, 176, 192, 184, 208, 192, 200, 192, 248, 168, 176,
};

// Which sheet and sequence each actor plays.
constexpr int kActorSheet[kActorCount] = {0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 1, 1, 2, 2, 2};
constexpr int kActorSequence[kActorCount] = {0, 1, 2, 3, 4, 5, 0, 1, 2, 3, 4, 5, 0, 1, 2};

inline const struct FrameRect* SheetFrameTable(int sheet) {
  return sheet == 0 ? kFrameTable0 : sheet == 1 ? kFrameTable1 : kFrameTable2;
}
inline const SequenceStep* SheetStepTable(int sheet) {
  return sheet == 0 ? kStepTable0 : sheet == 1 ? kStepTable1 : kStepTable2;
}
inline const int16_t* SheetSequenceStartTable(int sheet) {
  return sheet == 0   ? kSequenceStartTable0
         : sheet == 1 ? kSequenceStartTable1
                      : kSequenceStartTable2;
}

// The two frame indices an actor alternates between.
inline void ActorFrames(int actor, int* first, int* second) {
  const int sheet = kActorSheet[actor];
  const int start = SheetSequenceStartTable(sheet)[kActorSequence[actor]];
  *first = SheetStepTable(sheet)[start].frame;
  *second = SheetStepTable(sheet)[start + 1].frame;
}
