// Where the settings window's pieces lie, in the skin picture (RESOURCE_SKIN) and in the
// window's client area. Platform-free: the settings window and the skin tool draw from it.
#pragma once

#include <cstdint>

constexpr int kSkinWidth = 344;
constexpr int kSkinHeight = 560;
constexpr int kSkinBackgroundRow = 224;  // client row 0 is this row of the skin
constexpr int kSkinClientWidth = 344;
constexpr int kSkinClientHeight = 288;

// The controls, in the order of their registration and creation.
enum SkinControl {
  CONTROL_OK,
  CONTROL_CANCEL,
  CONTROL_WAVMODE,
  CONTROL_BAR,
  CONTROL_MNUM,
  CONTROL_PNUM,
  CONTROL_DSPNUMHI,
  CONTROL_DSPNUMLO,
  CONTROL_NUMTXT,
  CONTROL_COUNT
};

struct SkinControlLayout {
  const char* className;
  int32_t x, y;  // in the client area
  int32_t srcX, srcY;
  int32_t width, height;
  int32_t faceOffset;  // how much lower in the skin the pressed face lies
};

// The digit displays take their pictures from the digit strip below, not from their own faces.
constexpr SkinControlLayout kSkinControls[CONTROL_COUNT] = {
    {"OK", 120, 239, 160, 0, 96, 32, 32},        {"CANCEL", 223, 239, 160, 64, 96, 32, 32},
    {"WAVMODE", 60, 187, 0, 66, 80, 28, 32},     {"BAR", 75, 133, 0, 194, 200, 28, 0},
    {"MNUM", 47, 133, 258, 2, 28, 28, 32},       {"PNUM", 275, 133, 290, 2, 28, 28, 32},
    {"DSPNUMHI", 113, 116, 320, 128, 16, 16, 0}, {"DSPNUMLO", 129, 116, 160, 128, 16, 16, 0},
    {"NUMTXT", 47, 116, 160, 160, 51, 16, 0},
};

// The music toggle's faces while the music is on: the same rows, further right.
constexpr int32_t kMusicOnSrcX = 80;

// The slider's knob, drawn over the track at its offset (0 at the far left).
constexpr int32_t kKnobSrcX = 202;
constexpr int32_t kKnobSrcY = 194;
constexpr int32_t kKnobSize = 28;
constexpr int32_t kKnobTravel = kSkinControls[CONTROL_BAR].width - kKnobSize;  // 172

// The digit strip: entry k (0 to 10) at (160 + 16k, 128); 0 to 9 are the digits, 10 is blank.
constexpr int kDigitCount = 11;
constexpr int kDigitBlank = 10;
constexpr int32_t kDigitSrcX = 160;
constexpr int32_t kDigitSrcY = 128;
constexpr int32_t kDigitSize = 16;
