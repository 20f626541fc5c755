// The native program's command line, in XScreenSaver's manner: every option with one dash or
// two, its value as the next argument or after "=". Platform-free.
#pragma once

#include <cstdint>
#include <string>

#include "show/zoom.h"

struct HackOptions {
  unsigned long windowId;  // -window-id: the window to draw into; 0 when not given
  bool root;               // -root: the root window (or XScreenSaver's, when it names one)
  int32_t speed;           // -speed 1..5, as the settings window's speed; 3 when not given
  bool music;              // -music / -no-music; off when not given
  bool seeded;             // -seed given
  uint32_t seed;           // -seed N: the generator's seed instead of the clock
  int32_t zoom;            // -zoom K, 1 to kMaxZoom; 0 when not given (from the screen's DPI)
  const char* display;     // -display NAME: the X display; null for $DISPLAY
  bool help;               // -help or -h: show the usage and do nothing else
};

// The largest zoom, the same as the largest the screen's DPI can give.
constexpr int32_t kMaxZoom = kLargestZoom;

// Reads the options after the program name. Every number is decimal or 0x-prefixed
// hexadecimal and must lie in its option's range. The options every XScreenSaver hack takes and
// that mean nothing here (-fps, -install, -visual V, ...) are accepted and passed over. false,
// with one line naming the option and what is wrong with it in *error, on an unknown option, a
// missing or unwanted value, or a value that is not a number in range.
bool ParseHackOptions(int argc, const char* const* argv, HackOptions* options, std::string* error);
// A window id as XScreenSaver writes it, decimal or 0x-prefixed hexadecimal; 0 when it is not
// such a number or not a 32-bit id.
unsigned long ParseWindowId(const char* text);
// The usage text.
const char* HackUsage();
