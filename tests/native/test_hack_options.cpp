// The native program's command line.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "show/zoom.h"
#include "unix/options.h"

namespace {

struct OptionCase {
  std::vector<const char*> args;
  bool accepted;
  HackOptions want;
  const char* error;  // what the message of a refusal names
};

TEST(HackOptions, OneDashOrTwoValuesAndRefusals) {
  const HackOptions defaults = {0, false, 3, false, false, 0, 0, nullptr, false};
  auto with = [&defaults](auto change) {
    HackOptions o = defaults;
    change(o);
    return o;
  };
  const OptionCase kCases[] = {
      {{}, true, defaults, ""},
      {{"-root"}, true, with([](HackOptions& o) { o.root = true; }), ""},
      {{"--root"}, true, with([](HackOptions& o) { o.root = true; }), ""},
      {{"-window-id", "0x2a00007"}, true, with([](HackOptions& o) { o.windowId = 0x2a00007; }), ""},
      {{"--window-id", "44040199"}, true, with([](HackOptions& o) { o.windowId = 44040199; }), ""},
      {{"--window-id=0x2A00007"}, true, with([](HackOptions& o) { o.windowId = 0x2a00007; }), ""},
      // One number rule: decimal or 0x hexadecimal, so a leading zero is not octal.
      {{"-window-id", "0777"}, true, with([](HackOptions& o) { o.windowId = 777; }), ""},
      {{"-speed", "5", "--music"},
       true,
       with([](HackOptions& o) {
         o.speed = 5;
         o.music = true;
       }),
       ""},
      {{"--speed=5"}, true, with([](HackOptions& o) { o.speed = 5; }), ""},
      {{"-speed=1"}, true, with([](HackOptions& o) { o.speed = 1; }), ""},
      {{"-music", "-no-music"}, true, defaults, ""},
      {{"-seed", "4294967295"},
       true,
       with([](HackOptions& o) {
         o.seeded = true;
         o.seed = 4294967295u;
       }),
       ""},
      {{"-seed", "0xFFFFFFFF"},
       true,
       with([](HackOptions& o) {
         o.seeded = true;
         o.seed = 4294967295u;
       }),
       ""},
      {{"-zoom", "2"}, true, with([](HackOptions& o) { o.zoom = 2; }), ""},
      {{"-zoom", "64"}, true, with([](HackOptions& o) { o.zoom = kMaxZoom; }), ""},
      {{"-fps", "--no-fps", "-install", "-visual", "default", "-mono"}, true, defaults, ""},
      {{"-display", ":7", "-root"},
       true,
       with([](HackOptions& o) {
         o.display = ":7";
         o.root = true;
       }),
       ""},
      {{"--display=:7"}, true, with([](HackOptions& o) { o.display = ":7"; }), ""},
      {{"--help"}, true, with([](HackOptions& o) { o.help = true; }), ""},
      {{"-h"}, true, with([](HackOptions& o) { o.help = true; }), ""},
      // Out of range is an error that names the range, for every number alike.
      {{"--speed", "9"}, false, {}, "-speed: 9 is not in 1..5"},
      {{"-speed", "0"}, false, {}, "-speed: 0 is not in 1..5"},
      {{"-speed", "-1"}, false, {}, "-speed: -1 is not a number"},
      {{"-speed", "9223372036854775807"}, false, {}, "not in 1..5"},
      {{"-speed", "18446744073709551616"}, false, {}, "not in 1..5"},
      {{"-zoom", "65"}, false, {}, "-zoom: 65 is not in 1..64"},
      {{"-zoom", "0"}, false, {}, "-zoom: 0 is not in 1..64"},
      {{"-seed", "-1"}, false, {}, "-seed: -1 is not a number"},
      {{"-seed", "4294967296"}, false, {}, "-seed: 4294967296 is not in 0..4294967295"},
      {{"-window-id", "0x100000000"}, false, {}, "-window-id: 0x100000000 is not in"},
      {{"-window-id", "0"}, false, {}, "-window-id: 0 is not in"},
      {{"-window-id", "none"}, false, {}, "-window-id: none is not a number"},
      {{"-speed", "fast"}, false, {}, "-speed: fast is not a number"},
      {{"-speed", "5x"}, false, {}, "-speed: 5x is not a number"},
      {{"-speed", "0x"}, false, {}, "-speed: 0x is not a number"},
      {{"-speed"}, false, {}, "-speed needs a value"},
      {{"--speed="}, false, {}, "-speed: \"\" is not a number"},
      {{"-visual"}, false, {}, "-visual needs a value"},
      {{"-display"}, false, {}, "-display needs a value"},
      {{"--root=1"}, false, {}, "-root takes no value"},
      {{"-fullscreen"}, false, {}, "unknown option -fullscreen"},
      {{"root"}, false, {}, "unknown option root"},
      {{"---root"}, false, {}, "unknown option ---root"},
  };
  for (const OptionCase& c : kCases) {
    std::string line;
    for (const char* arg : c.args) line += std::string(arg) + " ";
    HackOptions got;
    std::string error;
    ASSERT_EQ(ParseHackOptions(int(c.args.size()), c.args.data(), &got, &error), c.accepted)
        << line;
    if (!c.accepted) {
      EXPECT_NE(error.find(c.error), std::string::npos) << line << "-> " << error;
      EXPECT_EQ(error.find('\n'), std::string::npos) << line;  // one line
      continue;
    }
    EXPECT_EQ(got.windowId, c.want.windowId) << line;
    EXPECT_EQ(got.root, c.want.root) << line;
    EXPECT_STREQ(got.display ? got.display : "", c.want.display ? c.want.display : "") << line;
    EXPECT_EQ(got.speed, c.want.speed) << line;
    EXPECT_EQ(got.music, c.want.music) << line;
    EXPECT_EQ(got.seeded, c.want.seeded) << line;
    EXPECT_EQ(got.seed, c.want.seed) << line;
    EXPECT_EQ(got.zoom, c.want.zoom) << line;
    EXPECT_EQ(got.help, c.want.help) << line;
  }
}

TEST(HackOptions, UsageNamesEveryOptionAndZoomCapIsTheDpiCap) {
  for (const char* option : {"-window-id", "-root", "-speed", "-music", "-no-music", "-seed",
                             "-zoom", "-display", "-help"})
    EXPECT_NE(std::string(HackUsage()).find(option), std::string::npos) << option;
  EXPECT_EQ(kMaxZoom, ZoomForDpi(1 << 30));
}

}  // namespace
