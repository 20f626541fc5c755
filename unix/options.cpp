#include "unix/options.h"

#include <cstring>

#include "show/speed.h"

namespace {

enum class OptionKind {
  kFlag,          // takes no value
  kNumber,        // a number within [low, high]
  kText,          // any text
  kIgnored,       // an XScreenSaver flag that changes nothing here
  kIgnoredValue,  // an XScreenSaver option with a value that changes nothing here
};

enum class OptionId {
  kRoot,
  kMusic,
  kNoMusic,
  kWindowId,
  kSpeed,
  kSeed,
  kZoom,
  kDisplay,
  kHelp,
  kNone
};

struct KnownOption {
  const char* name;
  OptionId id;
  OptionKind kind;
  uint64_t low, high;
};

constexpr uint64_t kMaxId = 0xFFFFFFFFu;

// Every option of the program, and those XScreenSaver may give any hack (its settings dialog
// adds -fps, for one).
constexpr KnownOption kOptions[] = {
    {"root", OptionId::kRoot, OptionKind::kFlag, 0, 0},
    {"music", OptionId::kMusic, OptionKind::kFlag, 0, 0},
    {"no-music", OptionId::kNoMusic, OptionKind::kFlag, 0, 0},
    {"window-id", OptionId::kWindowId, OptionKind::kNumber, 1, kMaxId},
    {"speed", OptionId::kSpeed, OptionKind::kNumber, kSpeedMin, kSpeedMax},
    {"seed", OptionId::kSeed, OptionKind::kNumber, 0, 0xFFFFFFFFu},
    {"zoom", OptionId::kZoom, OptionKind::kNumber, 1, kMaxZoom},
    {"display", OptionId::kDisplay, OptionKind::kText, 0, 0},
    {"help", OptionId::kHelp, OptionKind::kFlag, 0, 0},
    {"h", OptionId::kHelp, OptionKind::kFlag, 0, 0},
    {"fps", OptionId::kNone, OptionKind::kIgnored, 0, 0},
    {"no-fps", OptionId::kNone, OptionKind::kIgnored, 0, 0},
    {"install", OptionId::kNone, OptionKind::kIgnored, 0, 0},
    {"noinstall", OptionId::kNone, OptionKind::kIgnored, 0, 0},
    {"mono", OptionId::kNone, OptionKind::kIgnored, 0, 0},
    {"window", OptionId::kNone, OptionKind::kIgnored, 0, 0},
    {"pair", OptionId::kNone, OptionKind::kIgnored, 0, 0},
    {"sync", OptionId::kNone, OptionKind::kIgnored, 0, 0},
    {"visual", OptionId::kNone, OptionKind::kIgnoredValue, 0, 0},
};

const KnownOption* FindOption(const char* name, size_t length) {
  for (const KnownOption& known : kOptions) {
    if (std::strlen(known.name) == length && std::strncmp(known.name, name, length) == 0)
      return &known;
  }
  return nullptr;
}

// Reads a decimal or 0x-prefixed hexadecimal number without sign; false when the text is not
// one. Values beyond 64 bits come back as the largest, so that they read as out of range.
bool ReadNumber(const char* text, uint64_t* value) {
  int base = 10;
  if (text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
    base = 16;
    text += 2;
  }
  if (*text == '\0') return false;
  uint64_t result = 0;
  for (; *text; ++text) {
    int digit;
    if (*text >= '0' && *text <= '9')
      digit = *text - '0';
    else if (base == 16 && *text >= 'a' && *text <= 'f')
      digit = *text - 'a' + 10;
    else if (base == 16 && *text >= 'A' && *text <= 'F')
      digit = *text - 'A' + 10;
    else
      return false;
    result = result > (UINT64_MAX - digit) / base ? UINT64_MAX : result * base + digit;
  }
  *value = result;
  return true;
}

void Apply(OptionId id, uint64_t number, const char* text, HackOptions* options) {
  switch (id) {
    case OptionId::kRoot:
      options->root = true;
      break;
    case OptionId::kMusic:
      options->music = true;
      break;
    case OptionId::kNoMusic:
      options->music = false;
      break;
    case OptionId::kWindowId:
      options->windowId = static_cast<unsigned long>(number);
      break;
    case OptionId::kSpeed:
      options->speed = static_cast<int32_t>(number);
      break;
    case OptionId::kSeed:
      options->seeded = true;
      options->seed = static_cast<uint32_t>(number);
      break;
    case OptionId::kZoom:
      options->zoom = static_cast<int32_t>(number);
      break;
    case OptionId::kDisplay:
      options->display = text;
      break;
    case OptionId::kHelp:
      options->help = true;
      break;
    case OptionId::kNone:
      break;
  }
}

}  // namespace

unsigned long ParseWindowId(const char* text) {
  uint64_t id = 0;
  if (!text || !ReadNumber(text, &id) || id > kMaxId) return 0;
  return static_cast<unsigned long>(id);
}

bool ParseHackOptions(int argc, const char* const* argv, HackOptions* options, std::string* error) {
  *options = HackOptions{0, false, 3, false, false, 0, 0, nullptr, false};
  for (int i = 0; i < argc; ++i) {
    const char* arg = argv[i];
    const char* name = arg[0] == '-' ? (arg[1] == '-' ? arg + 2 : arg + 1) : nullptr;
    const char* equals = name ? std::strchr(name, '=') : nullptr;
    const KnownOption* known =
        name ? FindOption(name, equals ? size_t(equals - name) : std::strlen(name)) : nullptr;
    if (!known) {
      *error = std::string("unknown option ") + arg;
      return false;
    }
    const std::string shown = std::string("-") + known->name;
    const bool takesValue = known->kind == OptionKind::kNumber ||
                            known->kind == OptionKind::kText ||
                            known->kind == OptionKind::kIgnoredValue;
    const char* value = nullptr;
    if (equals) {
      if (!takesValue) {
        *error = shown + " takes no value";
        return false;
      }
      value = equals + 1;
    } else if (takesValue) {
      if (i + 1 >= argc) {
        *error = shown + " needs a value";
        return false;
      }
      value = argv[++i];
    }
    uint64_t number = 0;
    if (known->kind == OptionKind::kNumber) {
      if (!ReadNumber(value, &number)) {
        *error = shown + ": " + (*value ? value : "\"\"") + " is not a number";
        return false;
      }
      if (number < known->low || number > known->high) {
        *error = shown + ": " + value + " is not in " + std::to_string(known->low) + ".." +
                 std::to_string(known->high);
        return false;
      }
    }
    Apply(known->id, number, value, options);
  }
  return true;
}

const char* HackUsage() {
  return "usage: qavsaver3 [-window-id ID | -root] [-speed 1..5] [-music | -no-music]\n"
         "                 [-seed N] [-zoom 1..64] [-display NAME] [-help]\n"
         "Options take one dash or two, and their value as the next argument or after \"=\"\n"
         "(--speed=5). Numbers are decimal or 0x hexadecimal. Without -window-id,\n"
         "XSCREENSAVER_WINDOW or -root it opens a window of its own, which a key or a mouse\n"
         "button ends.\n";
}
