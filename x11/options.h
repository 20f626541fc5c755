// The native program's command line, in XScreenSaver's manner: every option with one dash or
// two. Platform-free.
#pragma once

#include <cstdint>

struct HackOptions {
  unsigned long windowId;  // -window-id: the window to draw into; 0 when not given
  bool root;               // -root: the root window (or XScreenSaver's, when it names one)
  int32_t speed;           // -speed 1..5, as the settings window's speed; 3 when not given
  bool music;              // -music / -no-music; off when not given
  bool seeded;             // -seed given
  uint32_t seed;           // -seed N: the generator's seed instead of the clock
  int32_t zoom;            // -zoom K, 1 to kMaxZoom; 0 when not given (from the screen's DPI)
  const char* display;     // -display NAME: the X display; null for $DISPLAY
};

constexpr int32_t kMaxZoom = 16;

// Reads the options after the program name. The options every XScreenSaver hack takes and that
// mean nothing here (-fps, -install, -visual V, ...) are accepted and passed over. false on an
// unknown option, a missing value or
// one that is not a number; speeds outside 1..5 are brought into it, as are zooms above
// kMaxZoom, and a zoom below 1 is refused.
bool ParseHackOptions(int argc, const char* const* argv, HackOptions* options);
// The frame timer's period of a speed: 350 - 50 x speed milliseconds, the speed brought into
// 1..5.
int32_t TickPeriodMs(int32_t speed);
// A window id as XScreenSaver writes it, decimal or 0x-prefixed hexadecimal; 0 when it is not
// a number.
unsigned long ParseWindowId(const char* text);
// The usage text.
const char* HackUsage();
