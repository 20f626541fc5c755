// A long run of the real saver window in-process: 100,000 drawing ticks (about three hours at
// speed 5) with the music on and a short loop count, so that the device hands the music back and
// the window starts it again many times. GDI objects and memory must stay flat.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "show/runstate.h"
#include "show/show.h"
#include "tests/wine/file_bytes.h"
#include "windows/app/saver_window.h"
#include "windows/app/startup.h"
#include "windows/gdi/graphics.h"
#include "windows/settings/settings_store.h"
#include "windows/settings/signature.h"
#include "windows/sound/sound.h"

namespace {

// The saver window's state, as start-up hands it to the window.
SaverWindowState State;

constexpr int kFrames = 100000;
constexpr int kWarmUpFrames = 2000;
constexpr int kSampleEvery = 10000;
constexpr DWORD kShortLoopCount = 2;
// A quarter of a second at 22050 Hz: the music comes back often enough within a run of a few
// seconds.
constexpr size_t kMusicBytes = 5512;

// Live GDI objects of this process. GetGuiResources answers 0 under Wine; there the handle
// table is walked instead, asking the type of each index (a handle with a zero upper half
// names the entry by its index alone).
int GdiObjectCount() {
  const DWORD counted = GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS);
  if (counted != 0) return static_cast<int>(counted);
  int count = 0;
  for (uintptr_t index = 1; index < 0x10000; ++index) {
    if (GetObjectType(reinterpret_cast<HGDIOBJ>(index)) != 0) ++count;
  }
  return count;
}

// Committed private memory of this process: every heap and every allocation the program or the
// platform's libraries make in it. (The process memory counters leave this at 0 under Wine.)
size_t CommittedPrivateBytes() {
  size_t total = 0;
  MEMORY_BASIC_INFORMATION region;
  for (const char* at = nullptr;
       VirtualQuery(at, &region, sizeof region) == sizeof region && at + region.RegionSize > at;
       at = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
  }
  return total;
}

// A RIFF WAVE file of `n` bytes of an 8-bit square wave.
std::string MusicFile(size_t n) {
  std::string samples(n, '\0');
  for (size_t i = 0; i < n; ++i) samples[i] = static_cast<char>(128 + ((i / 50) % 2 ? 30 : -30));
  const std::string data = "data" + Le32(static_cast<uint32_t>(n)) + samples;
  return "RIFF" + Le32(static_cast<uint32_t>(4 + data.size())) + "WAVE" + data;
}

// Dispatches what is waiting; counts the music's hand-backs to `window` and any quit message.
void Drain(HWND window, int* handBacks, bool* quit) {
  MSG message;
  while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
    if (message.message == WM_QUIT) *quit = true;
    if (message.message == MM_WOM_DONE && message.hwnd == window) ++*handBacks;
    DispatchMessageA(&message);
  }
}

// A data folder beside a marker file in a scratch current directory, and a settings file with
// the music on at speed 5; both put back afterwards.
class LongRun : public testing::Test {
 protected:
  void SetUp() override {
    char windows[MAX_PATH];
    GetWindowsDirectoryA(windows, MAX_PATH);
    settingsPath_ = std::string(windows) + "\\QAV3CFG.INI";
    hadSettings_ = GetFileAttributesA(settingsPath_.c_str()) != INVALID_FILE_ATTRIBUTES;
    savedSettings_ = ReadFileBytes(settingsPath_);
    WriteFileBytes(settingsPath_, "[QV3_02]\r\nWAV=1\r\nSPEED=5\r\n");
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    scratch_ = std::string(temp) + "qv3longrun";
    CreateDirectoryA(scratch_.c_str(), nullptr);
    CreateDirectoryA((scratch_ + "\\QV3").c_str(), nullptr);
    WriteFileBytes(scratch_ + "\\QAVSSV3C.SSS", std::string(SIGNATURE_TEXT, kSignatureLength));
    WriteFileBytes(scratch_ + "\\QV3\\BGM04.SSS", MusicFile(kMusicBytes));
    GetCurrentDirectoryA(MAX_PATH, previousDirectory_);
    SetCurrentDirectoryA(scratch_.c_str());
    SoundSetLoopCount(kShortLoopCount);
  }
  void TearDown() override {
    SoundSetLoopCount(99999);
    SetCurrentDirectoryA(previousDirectory_);
    DeleteFileA((scratch_ + "\\QV3\\BGM04.SSS").c_str());
    DeleteFileA((scratch_ + "\\QAVSSV3C.SSS").c_str());
    RemoveDirectoryA((scratch_ + "\\QV3").c_str());
    RemoveDirectoryA(scratch_.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "QAV3CFG.INI");  // flush the cache
    DeleteFileA(settingsPath_.c_str());
    if (hadSettings_) WriteFileBytes(settingsPath_, savedSettings_);
  }

  std::string settingsPath_, savedSettings_, scratch_;
  bool hadSettings_ = false;
  char previousDirectory_[MAX_PATH] = "";
};

// Creates the full-screen saver window of a 320 x 240 screen, with the music on.
HWND CreateSaver() {
  ProgramInstance = GetModuleHandleA(nullptr);
  State = SaverWindowState{};
  LoadSettings(State.settings, State.DataDirectory);
  State.run.RunMode = RUN_SAVER;
  State.run.ScreenSize = State.run.OutputSize = Size2{320, 240};
  State.run.ScaleFactor = 1000;
  RegisterSaverClass();  // may be registered already by another test
  return CreateWindowExA(WS_EX_TOPMOST, "QV3_02", "QV3_02", WS_POPUP | WS_VISIBLE, 0, 0, 320, 240,
                         nullptr, nullptr, ProgramInstance, &State);
}

// Destroys the window, which tears the saver down, and takes its quit message.
void DestroySaver(HWND window) {
  int handBacks = 0;
  bool quit = false;
  DestroyWindow(window);
  Drain(window, &handBacks, &quit);
  EXPECT_TRUE(quit) << "the teardown posted no quit message";
  EXPECT_EQ(State.graphics.WorkBuffer, nullptr);
  EXPECT_EQ(State.graphics.SaverPalette, nullptr);
}

TEST_F(LongRun, HundredThousandFramesWithTheMusicRestartingStayFlat) {
  // The GDI count must see an object that is made and deleted.
  const int objectsBefore = GdiObjectCount();
  HBRUSH probe = CreateSolidBrush(RGB(1, 2, 3));
  ASSERT_EQ(GdiObjectCount(), objectsBefore + 1) << "GDI objects cannot be counted here";
  DeleteObject(probe);

  // A short first run loads whatever the platform keeps for good (the class's icon, cached
  // device contexts): the long run must end at the same count.
  HWND window = CreateSaver();
  ASSERT_NE(window, nullptr);
  for (int frame = 0; frame < 200; ++frame) SendMessageA(window, WM_TIMER, 100, 0);
  DestroySaver(window);
  const int objectsBetweenRuns = GdiObjectCount();

  window = CreateSaver();
  ASSERT_NE(window, nullptr);
  ASSERT_NE(State.graphics.WorkBuffer, nullptr) << "the saver's set-up failed";
  ASSERT_TRUE(State.musicPlaying) << "no sound device: the music is off";

  int handBacks = 0;
  bool quit = false;
  int sceneChanges = 0;
  const Scene& scene = State.show.scene;
  Scene lastScene = scene;
  int warmObjects = 0, mostObjects = 0, fewestObjects = 1 << 30;
  size_t warmBytes = 0, mostBytes = 0;
  int handBacksAtWarmUp = 0;
  const DWORD start = GetTickCount();
  for (int frame = 1; frame <= kFrames && !quit; ++frame) {
    SendMessageA(window, WM_TIMER, 100, 0);
    if (scene.number != lastScene.number || scene.x[0] != lastScene.x[0] ||
        scene.y[0] != lastScene.y[0]) {
      ++sceneChanges;
      lastScene = scene;
    }
    if (frame % 64 == 0) Drain(window, &handBacks, &quit);
    if (frame == kWarmUpFrames) {
      warmObjects = GdiObjectCount();
      warmBytes = CommittedPrivateBytes();
      handBacksAtWarmUp = handBacks;
    } else if (frame > kWarmUpFrames && frame % kSampleEvery == 0) {
      const int objects = GdiObjectCount();
      const size_t bytes = CommittedPrivateBytes();
      mostObjects = objects > mostObjects ? objects : mostObjects;
      fewestObjects = objects < fewestObjects ? objects : fewestObjects;
      mostBytes = bytes > mostBytes ? bytes : mostBytes;
    }
  }
  const DWORD elapsed = GetTickCount() - start;
  std::printf(
      "%d frames in %lu ms (%.1f us a frame), %d scene changes, %d music hand-backs; GDI objects "
      "%d after warm-up, %d to %d later; committed private bytes %zu after warm-up, at most %zu "
      "later (%+lld)\n",
      kFrames, static_cast<unsigned long>(elapsed), elapsed * 1000.0 / kFrames, sceneChanges,
      handBacks, warmObjects, fewestObjects, mostObjects, warmBytes, mostBytes,
      static_cast<long long>(mostBytes) - static_cast<long long>(warmBytes));

  EXPECT_FALSE(quit) << "the saver ended during the run";
  EXPECT_GT(sceneChanges, kFrames / 200) << "the director did not move on";
  EXPECT_GE(handBacks - handBacksAtWarmUp, 50) << "the music was not handed back often";
  EXPECT_EQ(fewestObjects, warmObjects) << "GDI objects changed during the run";
  EXPECT_EQ(mostObjects, warmObjects) << "GDI objects changed during the run";
  // A leak of 16 bytes a frame, or of the music's samples at each restart, would show.
  EXPECT_LT(mostBytes, warmBytes + 256 * 1024) << "memory grew during the run";

  DestroySaver(window);
  EXPECT_EQ(GdiObjectCount(), objectsBetweenRuns) << "GDI objects left after the teardown";
}

}  // namespace
