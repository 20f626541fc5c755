#include "x11/options.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace {

constexpr int32_t kDefaultSpeed = 3;

// Options XScreenSaver may give any hack (its settings dialog adds -fps, for one) that change
// nothing in this program's drawing.
constexpr const char* kIgnoredFlags[] = {"fps",  "no-fps", "install", "noinstall",
                                         "mono", "window", "pair",    "sync"};
constexpr const char* kIgnoredWithValue[] = {"visual"};

bool IsOneOf(const char* name, const char* const* names, size_t count) {
  for (size_t i = 0; i < count; ++i)
    if (std::strcmp(name, names[i]) == 0) return true;
  return false;
}

// The option's name without its one or two leading dashes, or null when it has none.
const char* OptionName(const char* arg) {
  if (arg[0] != '-') return nullptr;
  return arg[1] == '-' ? arg + 2 : arg + 1;
}

bool ParseLong(const char* text, long* value) {
  if (!text || !*text) return false;
  char* end = nullptr;
  errno = 0;
  *value = std::strtol(text, &end, 10);
  return errno == 0 && *end == '\0';
}

int32_t Clamp(long value, int32_t low, int32_t high) {
  return value < low ? low : value > high ? high : static_cast<int32_t>(value);
}

}  // namespace

unsigned long ParseWindowId(const char* text) {
  if (!text || !*text || *text == '-') return 0;
  char* end = nullptr;
  errno = 0;
  const unsigned long id = std::strtoul(text, &end, 0);
  return errno == 0 && *end == '\0' ? id : 0;
}

int32_t TickPeriodMs(int32_t speed) { return 350 - 50 * Clamp(speed, 1, 5); }

bool ParseHackOptions(int argc, const char* const* argv, HackOptions* options) {
  *options = HackOptions{0, false, kDefaultSpeed, false, false, 0, 0, nullptr};
  for (int i = 0; i < argc; ++i) {
    const char* name = OptionName(argv[i]);
    if (!name) return false;
    const char* value = i + 1 < argc ? argv[i + 1] : nullptr;
    long number = 0;
    if (std::strcmp(name, "root") == 0) {
      options->root = true;
    } else if (std::strcmp(name, "music") == 0) {
      options->music = true;
    } else if (std::strcmp(name, "no-music") == 0) {
      options->music = false;
    } else if (std::strcmp(name, "window-id") == 0) {
      options->windowId = ParseWindowId(value);
      if (!options->windowId) return false;
      ++i;
    } else if (std::strcmp(name, "speed") == 0) {
      if (!ParseLong(value, &number)) return false;
      options->speed = Clamp(number, 1, 5);
      ++i;
    } else if (std::strcmp(name, "seed") == 0) {
      if (!ParseLong(value, &number) || number < 0 || number > 0xFFFFFFFFL) return false;
      options->seeded = true;
      options->seed = static_cast<uint32_t>(number);
      ++i;
    } else if (std::strcmp(name, "zoom") == 0) {
      if (!ParseLong(value, &number) || number < 1) return false;
      options->zoom = Clamp(number, 1, kMaxZoom);
      ++i;
    } else if (std::strcmp(name, "display") == 0) {
      if (!value) return false;
      options->display = value;
      ++i;
    } else if (IsOneOf(name, kIgnoredFlags, std::size(kIgnoredFlags))) {
    } else if (IsOneOf(name, kIgnoredWithValue, std::size(kIgnoredWithValue))) {
      if (!value) return false;
      ++i;
    } else {
      return false;
    }
  }
  return true;
}

const char* HackUsage() {
  return "usage: qavsaver3 [-window-id ID | -root] [-speed 1..5] [-music | -no-music]\n"
         "                 [-seed N] [-zoom K]\n"
         "Options take one dash or two. Without -window-id, XSCREENSAVER_WINDOW or -root it\n"
         "opens a window of its own, which a key or a mouse button ends.\n";
}
