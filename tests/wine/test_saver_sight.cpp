// Nobody sees the window: the saver while the display is off, the preview while its parent is
// hidden or minimised. No tick is drawn and no frame timer runs then; seen again, the window
// starts a fresh scene on a blank picture.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "show/show.h"
#include "tests/support/message_pump.h"
#include "tests/wine/bitmap_pixels.h"
#include "windows/app/saver_window.h"
#include "windows/app/startup.h"
#include "windows/gdi/graphics.h"

namespace {

constexpr UINT_PTR kFrameTimerId = 100;
constexpr UINT_PTR kParentTimerId = 101;
constexpr GUID kConsoleDisplayState = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

int NonBlack(HBITMAP bitmap) {
  int width, height, count = 0;
  for (uint32_t p : BitmapPixels(bitmap, &width, &height)) count += p != 0;
  return count;
}

// The display's state notice as the system sends it: 0 off, 1 on, 2 dimmed.
void SendDisplayState(HWND window, DWORD state) {
  alignas(POWERBROADCAST_SETTING) unsigned char
      bytes[sizeof(POWERBROADCAST_SETTING) + sizeof(DWORD)] = {};
  auto* setting = reinterpret_cast<POWERBROADCAST_SETTING*>(bytes);
  setting->PowerSetting = kConsoleDisplayState;
  setting->DataLength = sizeof state;
  std::memcpy(setting->Data, &state, sizeof state);
  SendMessageA(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE,
               reinterpret_cast<LPARAM>(setting));
}

enum class Hide { kDisplayOff, kParentHidden, kParentMinimised };

struct SightCase {
  const char* name;
  int mode;
  Hide hide;
  DWORD backOn;  // the display state that ends kDisplayOff
};

class SaverSight : public testing::TestWithParam<SightCase> {
 protected:
  void SetUp() override {
    const SightCase& c = GetParam();
    ProgramInstance = GetModuleHandleA(nullptr);
    state_ = SaverWindowState{};
    state_.run.ScreenSize = Size2{GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    state_.run.RunMode = c.mode;
    state_.settings.music = 0;
    RegisterSaverClass();  // once per process; later calls find it registered
    if (c.mode == RUN_SAVER) {
      state_.run.OutputSize = Size2{640, 480};
      state_.run.ScaleFactor = 1000;
      window_ = CreateWindowExA(WS_EX_TOPMOST, "QV3_02", "QV3_02", WS_POPUP | WS_VISIBLE, 0, 0, 640,
                                480, nullptr, nullptr, ProgramInstance, &state_);
    } else {
      state_.run.OutputSize = Size2{304, 224};
      state_.run.ScaleFactor = 296;
      host_ = CreateWindowExA(0, "STATIC", "host", WS_OVERLAPPEDWINDOW | WS_VISIBLE, 40, 30, 400,
                              300, nullptr, nullptr, nullptr, nullptr);
      window_ = CreateWindowExA(0, "QV3_02", "SSPREVIEW", WS_CHILD | WS_VISIBLE, 0, 0, 304, 224,
                                host_, nullptr, ProgramInstance, &state_);
    }
    ASSERT_NE(window_, nullptr);
    ASSERT_NE(state_.graphics.WorkBuffer, nullptr);
  }

  void TearDown() override {
    DestroyWindow(host_ ? host_ : window_);
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }

  void Tick(int count) {
    for (int i = 0; i < count; ++i) SendMessageA(window_, WM_TIMER, kFrameTimerId, 0);
  }

  // Hides the window's show as the case does, or shows it again.
  void SetSeen(bool seen) {
    const SightCase& c = GetParam();
    switch (c.hide) {
      case Hide::kDisplayOff:
        SendDisplayState(window_, seen ? c.backOn : 0);
        return;
      case Hide::kParentHidden:
        ShowWindow(host_, seen ? SW_SHOW : SW_HIDE);
        break;
      case Hide::kParentMinimised:
        ShowWindow(host_, seen ? SW_RESTORE : SW_MINIMIZE);
        break;
    }
    // The preview's look at its parent, which its low-rate timer brings.
    SendMessageA(window_, WM_TIMER, kParentTimerId, 0);
  }

  HWND host_ = nullptr;
  HWND window_ = nullptr;
  SaverWindowState state_;
};

TEST_P(SaverSight, NothingIsDrawnWhileUnseenAndAFreshSceneAfter) {
  for (int i = 0; i < 300 && NonBlack(state_.graphics.WorkBuffer) < 500; ++i) Tick(1);
  ASSERT_GE(NonBlack(state_.graphics.WorkBuffer), 500) << "no scene was drawn";

  SetSeen(false);
  // No frame timer runs, and neither a queued tick nor time draws anything.
  EXPECT_FALSE(KillTimer(window_, kFrameTimerId));
  int width, height;
  const std::vector<uint32_t> before = BitmapPixels(state_.graphics.WorkBuffer, &width, &height);
  const Show shown = state_.show;
  Tick(50);
  PumpMessages(600);
  EXPECT_EQ(BitmapPixels(state_.graphics.WorkBuffer, &width, &height), before);
  // The director did not run: its generator and its list stand.
  EXPECT_EQ(state_.show.random.state, shown.random.state);
  EXPECT_EQ(std::memcmp(state_.show.drawList.entries, shown.drawList.entries,
                        sizeof shown.drawList.entries),
            0);

  SetSeen(true);
  // A fresh scene on a blank picture, and the timer again.
  EXPECT_EQ(NonBlack(state_.graphics.WorkBuffer), 0);
  EXPECT_EQ(state_.show.fadeLevel, 9);
  EXPECT_EQ(state_.show.lastDrawnLength, -1);
  EXPECT_NE(state_.show.random.state, shown.random.state);
  EXPECT_TRUE(KillTimer(window_, kFrameTimerId));
  for (int i = 0; i < 300 && NonBlack(state_.graphics.WorkBuffer) < 500; ++i) Tick(1);
  EXPECT_GE(NonBlack(state_.graphics.WorkBuffer), 500)
      << "no scene after the window was seen again";
}

const SightCase kSightCases[] = {
    {"saver_display_off_then_on", RUN_SAVER, Hide::kDisplayOff, 1},
    {"saver_display_off_then_dimmed", RUN_SAVER, Hide::kDisplayOff, 2},
    {"preview_parent_hidden", RUN_PREVIEW, Hide::kParentHidden, 0},
    {"preview_parent_minimised", RUN_PREVIEW, Hide::kParentMinimised, 0},
};

INSTANTIATE_TEST_SUITE_P(Windows, SaverSight, testing::ValuesIn(kSightCases),
                         [](const testing::TestParamInfo<SightCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
