// The native program's window-free part: its command line, finding the music's samples, and an
// hour of the show drawn headless.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include "show/embedded_images.h"
#include "show/music_data.h"
#include "show/picture_show.h"
#include "show/runstate.h"
#include "show/show.h"
#include "show/soft_compositor.h"
#include "show/speed.h"
#include "show/zoom.h"
#include "tests/support/pixel_checks.h"
#include "x11/options.h"

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

TEST(HackOptions, TickPeriodIsTheSaversFrameTimer) {
  const int32_t kPeriods[][2] = {{1, 300}, {3, 200}, {5, 100}, {0, 300}, {7, 100}};
  for (const auto& p : kPeriods) EXPECT_EQ(FramePeriodForSpeed(p[0]), p[1]) << "speed " << p[0];
}

// The one reading of a hand-written speed, shared by the saver and its settings window.
TEST(SpeedText, NumbersTakeTheNearestSpeedAndAnythingElseTheDefault) {
  struct Case {
    const char* text;
    int32_t speed;
  };
  constexpr Case kCases[] = {
      {"1", 1},
      {"5", 5},
      {"3", 3},
      {" 4 ", 4},
      {"\t2\t", 2},
      {"+2", 2},
      {"0", 1},
      {"-1", 1},
      {"-3", 1},
      {"6", 5},
      {"99", 5},
      {"2147483647", 5},
      {"2147483648", 5},
      {"99999999999999", 5},
      {"-99999999999999999999999", 1},
      {"00000000000000000000004", 4},
      {"abc", kSpeedDefault},
      {"", kSpeedDefault},
      {"   ", kSpeedDefault},
      {"-", kSpeedDefault},
      {"+", kSpeedDefault},
      {"4x", kSpeedDefault},
      {"x4", kSpeedDefault},
      {"4 5", kSpeedDefault},
      {"0x5", kSpeedDefault},
      {"--2", kSpeedDefault},
  };
  for (const Case& c : kCases) EXPECT_EQ(SpeedFromText(c.text), c.speed) << '"' << c.text << '"';
  EXPECT_EQ(SpeedFromText(nullptr), kSpeedDefault);
  EXPECT_EQ(kSpeedDefault, 3);
}

std::vector<uint8_t> Riff(const char* form, std::vector<std::pair<std::string, size_t>> chunks,
                          size_t cut = 0) {
  std::vector<uint8_t> file = {'R', 'I', 'F', 'F', 0, 0, 0, 0};
  file.insert(file.end(), form, form + 4);
  uint8_t fill = 1;
  for (const auto& [name, size] : chunks) {
    file.insert(file.end(), name.begin(), name.end());
    for (int i = 0; i < 4; ++i) file.push_back(uint8_t(size >> (8 * i)));
    for (size_t i = 0; i < size + (size & 1); ++i) file.push_back(fill);
    ++fill;
  }
  const size_t riff = file.size() - 8;
  for (int i = 0; i < 4; ++i) file[4 + i] = uint8_t(riff >> (8 * i));
  file.resize(file.size() - cut);
  return file;
}

TEST(MusicData, FindsTheDataChunkAndRefusesDamagedFiles) {
  struct Case {
    const char* name;
    std::vector<uint8_t> file;
    bool found;
    size_t length;
    uint8_t first;
  };
  const Case kCases[] = {
      {"format then data", Riff("WAVE", {{"fmt ", 16}, {"data", 100}}), true, 100, 2},
      {"odd chunk padded", Riff("WAVE", {{"LIST", 3}, {"data", 7}}), true, 7, 2},
      {"data first", Riff("WAVE", {{"data", 5}, {"fmt ", 16}}), true, 5, 1},
      {"another form", Riff("AVI ", {{"data", 5}}), false, 0, 0},
      {"no data chunk", Riff("WAVE", {{"fmt ", 16}}), false, 0, 0},
      {"empty data", Riff("WAVE", {{"fmt ", 16}, {"data", 0}}), false, 0, 0},
      {"cut short", Riff("WAVE", {{"fmt ", 16}, {"data", 100}}, 10), false, 0, 0},
      {"cut in a header", Riff("WAVE", {{"fmt ", 16}}, 20), false, 0, 0},
      {"too short", std::vector<uint8_t>{'R', 'I', 'F', 'F'}, false, 0, 0},
  };
  for (const Case& c : kCases) {
    const uint8_t* samples = nullptr;
    size_t length = 0;
    EXPECT_EQ(FindWaveData(c.file.data(), c.file.size(), &samples, &length), c.found) << c.name;
    if (!c.found) continue;
    EXPECT_EQ(length, c.length) << c.name;
    EXPECT_EQ(samples[0], c.first) << c.name;
    EXPECT_LE(samples + length, c.file.data() + c.file.size()) << c.name;
  }
  // The program's own music: a minute or more of samples.
  const uint8_t* file = nullptr;
  const uint8_t* samples = nullptr;
  size_t size = 0, length = 0;
  ASSERT_TRUE(EmbeddedMusic(0, &file, &size));
  ASSERT_TRUE(FindWaveData(file, size, &samples, &length));
  EXPECT_GT(length, size_t(22050 * 60));
  EXPECT_FALSE(EmbeddedMusic(1, &file, &size));
}

bool AllBlack(const uint32_t* pixels, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    if (pixels[i]) return false;
  }
  return true;
}

// The program's sheets, loaded once for every test here.
const SoftSheets& Sheets() {
  static SoftSheets sheets;
  static const bool loaded = SoftLoadProgramSheets(sheets, EmbeddedImage);
  EXPECT_TRUE(loaded);
  return sheets;
}

TEST(Show, AnHourLeavesNothingBehind) {
  // An hour of ticks at the default speed. Every scene change leaves a black picture, what
  // changed always lies in the reported rectangles, and the picture is freed at the end.
  const int kTicks = 3600 * 1000 / FramePeriodForSpeed(3);
  constexpr int kW = 1024, kH = 768;
  PictureShow show;
  ASSERT_TRUE(PictureShowStart(show, Sheets(), kW, kH, 12345));
  const size_t count = size_t(kW) * kH;
  std::vector<uint32_t> before(count);
  SoftRect changed[kDrawListSlots];
  int scenes = 0, drawnTicks = 0;
  const Scene& current = show.show.scene;
  Scene scene = current;
  for (int tick = 1; tick <= kTicks; ++tick) {
    const bool check = tick % 97 == 0;
    if (check) std::memcpy(before.data(), show.picture.work, count * 4);
    const int rects = PictureShowTick(show, changed);
    drawnTicks += rects > 0;
    if (check) {
      ASSERT_EQ(ChangedOutsideRects(before.data(), show.picture.work, kW, kH, changed, rects), "")
          << "tick " << tick;
    }
    if (std::memcmp(&scene, &current, sizeof scene) != 0) {
      ++scenes;
      ASSERT_TRUE(AllBlack(show.picture.work, count)) << "a sprite stayed behind at tick " << tick;
      scene = current;
    }
  }
  // A scene lasts some 30 to 60 ticks: fade-in, six loops of its lead, fade-out and dark.
  EXPECT_GT(scenes, kTicks / 60);
  EXPECT_LT(scenes, kTicks / 30);
  // The dark ticks and the ticks between two frames change nothing.
  EXPECT_LT(drawnTicks, kTicks * 2 / 3);
  PictureShowStop(show);
  EXPECT_EQ(show.picture.work, nullptr);
}

TEST(Show, DrawsInLentMemory) {
  // A show moved, mid-scene, into memory a program lends it (rows wider than the picture, as an
  // image's may be) carries its picture over, returns the same rectangles as one that draws in
  // memory of its own, leaves that memory equal to the other's picture after every tick and the
  // padding untouched, and never frees it.
  constexpr int kW = 320, kH = 240, kStride = kW + 13;
  constexpr uint32_t kPadding = 0xDEADBEEF;
  PictureShow own, lent;
  ASSERT_TRUE(PictureShowStart(own, Sheets(), kW, kH, 99));
  ASSERT_TRUE(PictureShowStart(lent, Sheets(), kW, kH, 99));
  std::vector<uint32_t> memory(size_t(kStride) * kH, kPadding);
  SoftRect ownRects[kDrawListSlots], lentRects[kDrawListSlots];
  int drawnTicks = 0;
  for (int tick = 1; tick <= 400; ++tick) {
    if (tick == 25) {
      EXPECT_FALSE(PictureShowDrawInto(lent, memory.data(), kW - 1));
      ASSERT_TRUE(PictureShowDrawInto(lent, memory.data(), kStride));
      EXPECT_EQ(lent.picture.work, memory.data());
    }
    const int count = PictureShowTick(own, ownRects);
    ASSERT_EQ(PictureShowTick(lent, lentRects), count) << "tick " << tick;
    drawnTicks += count > 0;
    for (int i = 0; i < count; ++i) {
      EXPECT_EQ(std::memcmp(&ownRects[i], &lentRects[i], sizeof(SoftRect)), 0) << "tick " << tick;
    }
    if (tick < 25) continue;
    for (int y = 0; y < kH; ++y) {
      const uint32_t* row = memory.data() + y * kStride;
      ASSERT_EQ(std::memcmp(row, own.picture.work + y * kW, kW * 4), 0)
          << "tick " << tick << ", row " << y;
      ASSERT_TRUE(std::all_of(row + kW, row + kStride, [](uint32_t p) { return p == kPadding; }));
    }
  }
  EXPECT_GT(drawnTicks, 100);
  // A resize goes back to memory of the show's own: the lent memory is the old size's.
  ASSERT_TRUE(PictureShowResize(lent, 160, 120));
  EXPECT_FALSE(lent.picture.lent);
  EXPECT_NE(lent.picture.work, memory.data());
  PictureShowTick(lent, lentRects);
  PictureShowStop(lent);
  PictureShowStop(own);
}

DrawEntry Entry(uint8_t kind, int16_t x, int16_t y, int16_t srcX, uint16_t level = 0) {
  DrawEntry entry = {};
  entry.kind = kind;
  entry.x = x;
  entry.y = y;
  entry.srcX = srcX;
  entry.width = 40;
  entry.height = 30;
  entry.level = level;
  return entry;
}

TEST(DrawList, ASpriteBlankedAndDrawnAgainWhereItStandsIsLeftOut) {
  const DrawEntry a = Entry(DRAW_MASKED, 10, 10, 0), b = Entry(DRAW_MASKED, 200, 10, 40);
  const DrawEntry drawn[] = {a, b};
  DrawEntry out[kDrawListSlots];
  // a stands still, b moves on to another frame: only b's change is drawn.
  const DrawEntry moved = Entry(DRAW_MASKED, 200, 10, 80);
  const DrawEntry list[] = {Entry(DRAW_RESTORE, 10, 10, 0), Entry(DRAW_RESTORE, 200, 10, 40), a,
                            moved};
  ASSERT_EQ(DrawListWithoutRedraws(drawn, 2, list, 4, nullptr, out), 2);
  EXPECT_EQ(out[0].x, 200);
  EXPECT_EQ(out[0].kind, DRAW_RESTORE);
  EXPECT_EQ(out[1].srcX, 80);
  EXPECT_EQ(out[2].kind, DRAW_END);
  // Nothing before: everything is drawn.
  EXPECT_EQ(DrawListWithoutRedraws(drawn, 0, list, 4, nullptr, out), 4);
  // Drawn dithered before, or dithered now: drawn.
  const DrawEntry faded[] = {Entry(DRAW_MASKED, 10, 10, 0, 3), b};
  EXPECT_EQ(DrawListWithoutRedraws(faded, 2, list, 4, nullptr, out), 4);
  const DrawEntry fading[] = {Entry(DRAW_RESTORE, 10, 10, 0), Entry(DRAW_MASKED, 10, 10, 0, 2)};
  EXPECT_EQ(DrawListWithoutRedraws(drawn, 2, fading, 2, nullptr, out), 2);
  // Another entry over it now, or drawn over it after it before: drawn.
  const DrawEntry over[] = {Entry(DRAW_RESTORE, 10, 10, 0), a, Entry(DRAW_RESTORE, 30, 20, 0)};
  EXPECT_EQ(DrawListWithoutRedraws(drawn, 2, over, 3, nullptr, out), 3);
  const DrawEntry coveredBefore[] = {a, Entry(DRAW_RESTORE, 45, 35, 0)};
  EXPECT_EQ(DrawListWithoutRedraws(coveredBefore, 2, list, 4, nullptr, out), 4);
}

TEST(DrawList, ARestoreWhereNoSpriteIsLeftIsLeftOut) {
  PictureSprites sprites = {};
  DrawEntry out[kDrawListSlots];
  const DrawEntry a = Entry(DRAW_MASKED, 10, 10, 0), gone = Entry(DRAW_MASKED, 10, 10, 0, 9);
  // Drawn, then restored while the next frame is not drawn (level 9): the restore is needed,
  // the frame drawn at level 9 is not.
  const DrawEntry first[] = {a};
  EXPECT_EQ(DrawListWithoutRedraws(nullptr, 0, first, 1, &sprites, out), 1);
  const DrawEntry dark[] = {Entry(DRAW_RESTORE, 10, 10, 0), gone};
  EXPECT_EQ(DrawListWithoutRedraws(first, 1, dark, 2, &sprites, out), 1);
  EXPECT_EQ(out[0].kind, DRAW_RESTORE);
  // Restoring it again, or anything where nothing is left, changes nothing, nor does a sprite
  // at level 9.
  const DrawEntry darker[] = {Entry(DRAW_RESTORE, 10, 10, 0), Entry(DRAW_RESTORE, 300, 40, 80),
                              gone};
  EXPECT_EQ(DrawListWithoutRedraws(dark, 2, darker, 3, &sprites, out), 0);
  EXPECT_EQ(out[0].kind, DRAW_END);
  // A sprite drawn earlier in the same list is restored.
  const DrawEntry again[] = {Entry(DRAW_MASKED, 300, 40, 0, 4), Entry(DRAW_RESTORE, 310, 50, 0)};
  EXPECT_EQ(DrawListWithoutRedraws(darker, 3, again, 2, &sprites, out), 2);
}

TEST(Show, LeavingOutRedrawsGivesTheSamePictures) {
  // The lists as the director builds them, drawn in full on one picture and without the
  // redraws on another, at sizes where the actors stand apart and where they crowd together.
  for (const Size2 size : {Size2{1920, 1080}, Size2{640, 480}, Size2{400, 300}}) {
    Show full, lean;
    ShowSetUp(full, RUN_SAVER, size, size, 1000, 99);
    ShowSetUp(lean, RUN_SAVER, size, size, 1000, 99);
    SoftPicture fullPicture, leanPicture;
    ASSERT_TRUE(SoftCreatePicture(fullPicture, size.width, size.height));
    ASSERT_TRUE(SoftCreatePicture(leanPicture, size.width, size.height));
    const size_t count = size_t(size.width) * size_t(size.height);
    SoftRect changed[kDrawListSlots];
    DrawEntry toDraw[kDrawListSlots];
    int fullEntries = 0, leanEntries = 0;
    for (int tick = 0; tick < 3000; ++tick) {
      DirectorTick(full);
      DirectorTick(lean);
      if (ShowListIsNew(full)) {
        SoftRenderFrame(fullPicture, Sheets(), full.drawList.entries, changed);
        fullEntries += full.lastDrawnLength;
      }
      if (ShowListToDraw(lean, toDraw)) {
        SoftRenderFrame(leanPicture, Sheets(), toDraw, changed);
        for (int i = 0; toDraw[i].kind != DRAW_END; ++i) ++leanEntries;
      }
      ASSERT_EQ(std::memcmp(fullPicture.work, leanPicture.work, count * 4), 0)
          << size.width << "x" << size.height << " tick " << tick;
    }
    // Standing sprites are common: a good part of the drawing goes.
    EXPECT_LT(leanEntries, fullEntries * 9 / 10) << size.width << "x" << size.height;
    SoftFreePicture(fullPicture);
    SoftFreePicture(leanPicture);
  }
}

TEST(Show, QuietTicksChangeNothingAndTheTickAfterThemDoes) {
  PictureShow show;
  ASSERT_TRUE(PictureShowStart(show, Sheets(), 1920, 1080, 31));
  SoftRect changed[kDrawListSlots];
  int quietTicks = 0, looks = 0;
  for (int tick = 0; tick < 3000;) {
    const int quiet = PictureShowQuietTicks(show, 20);
    ++looks;
    quietTicks += quiet;
    for (int i = 0; i < quiet; ++i, ++tick) {
      ASSERT_EQ(PictureShowTick(show, changed), 0) << "tick " << tick;
    }
    // The lists of the ticks the look ahead stopped at need drawing.
    DrawEntry toDraw[kDrawListSlots];
    Show ahead = show.show;
    DirectorTick(ahead);
    if (quiet < 20) {
      ASSERT_TRUE(ShowListToDraw(ahead, toDraw)) << "tick " << tick;
    }
    PictureShowTick(show, changed);
    ++tick;
  }
  // Sprites hold a frame for a few ticks: a good part of the ticks can be slept through.
  EXPECT_GT(quietTicks, 3000 / 5);
  EXPECT_LT(looks, 3000);
  PictureShowStop(show);
}

TEST(Show, ResizeStartsAFreshSceneOnTheNewPicture) {
  PictureShow show;
  ASSERT_TRUE(PictureShowStart(show, Sheets(), 1024, 768, 7));
  SoftRect changed[kDrawListSlots];
  for (int tick = 0; tick < 30; ++tick) PictureShowTick(show, changed);
  ASSERT_TRUE(PictureShowResize(show, 640, 480));
  EXPECT_EQ(show.show.screenSize.width, 640);
  EXPECT_EQ(show.show.outputSize.height, 480);
  EXPECT_EQ(show.show.fadeLevel, 9);
  bool drawn = false;
  for (int tick = 0; tick < 30; ++tick) {
    const int count = PictureShowTick(show, changed);
    for (int r = 0; r < count; ++r) {
      drawn = true;
      EXPECT_LE(changed[r].x + changed[r].width, 640);
      EXPECT_LE(changed[r].y + changed[r].height, 480);
    }
  }
  EXPECT_TRUE(drawn);
  EXPECT_FALSE(PictureShowResize(show, 0, 480));
  EXPECT_EQ(show.picture.work, nullptr);
  PictureShowStop(show);
}

// A show's frames: a fingerprint of each tick's picture and its changed rectangles.
struct Frames {
  std::vector<uint64_t> pictures;
  std::vector<std::vector<int32_t>> rects;
  int drawnTicks = 0;
};

void NoteFrame(const PictureShow& show, const SoftRect* changed, int count, Frames* frames) {
  // FNV-1a over the picture's words.
  uint64_t hash = 14695981039346656037u;
  const uint32_t* work = show.picture.work;
  for (size_t i = 0; i < size_t(show.picture.width) * size_t(show.picture.height); ++i) {
    hash = (hash ^ work[i]) * 1099511628211u;
  }
  frames->pictures.push_back(hash);
  std::vector<int32_t> rects;
  for (int i = 0; i < count; ++i) {
    rects.insert(rects.end(), {changed[i].x, changed[i].y, changed[i].width, changed[i].height});
  }
  frames->rects.push_back(rects);
  frames->drawnTicks += count > 0;
}

TEST(Show, TwoPicturesSideBySideEachGiveThePicturesTheyGiveAlone) {
  // Two shows of different seeds and sizes, each with its own picture, ticked in turn in one
  // process: each draws exactly what it draws alone.
  constexpr int kTicks = 300;
  const struct {
    int32_t width, height;
    uint32_t seed;
  } kShows[2] = {{800, 600, 1}, {640, 400, 99}};
  Frames alone[2], together[2];
  SoftRect changed[kDrawListSlots];
  for (int i = 0; i < 2; ++i) {
    PictureShow show;
    ASSERT_TRUE(
        PictureShowStart(show, Sheets(), kShows[i].width, kShows[i].height, kShows[i].seed));
    for (int tick = 0; tick < kTicks; ++tick) {
      NoteFrame(show, changed, PictureShowTick(show, changed), &alone[i]);
    }
    PictureShowStop(show);
  }
  PictureShow shows[2];
  for (int i = 0; i < 2; ++i) {
    ASSERT_TRUE(
        PictureShowStart(shows[i], Sheets(), kShows[i].width, kShows[i].height, kShows[i].seed));
  }
  for (int tick = 0; tick < kTicks; ++tick) {
    for (int i = 0; i < 2; ++i) {
      NoteFrame(shows[i], changed, PictureShowTick(shows[i], changed), &together[i]);
      ASSERT_EQ(together[i].rects[tick], alone[i].rects[tick]) << "show " << i << " tick " << tick;
      ASSERT_EQ(together[i].pictures[tick], alone[i].pictures[tick])
          << "show " << i << " tick " << tick;
    }
  }
  for (PictureShow& show : shows) PictureShowStop(show);
  // Both drew on many ticks, and differently, so that sharing anything between them would show.
  EXPECT_GT(alone[0].drawnTicks, kTicks / 4);
  EXPECT_GT(alone[1].drawnTicks, kTicks / 4);
  EXPECT_NE(alone[0].rects, alone[1].rects);
}

}  // namespace
