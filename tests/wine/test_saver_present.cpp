// What the saver and preview windows show: after many frames presented rectangle by rectangle
// the window equals the WorkBuffer, and a window that passed over it leaves no trace once its
// paint is handled.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

#include "show/runstate.h"
#include "tests/support/message_pump.h"
#include "tests/wine/bitmap_pixels.h"
#include "windows/app/saver_window.h"
#include "windows/app/startup.h"
#include "windows/gdi/compositor.h"
#include "windows/gdi/graphics.h"

namespace {

// The saver window's state, as start-up hands it to the window.
SaverWindowState State;

constexpr int kTicks = 300;

// "" when the window shows the WorkBuffer, each of its pixels a zoom x zoom block, else how
// many pixels differ and the first.
std::string WindowAgainstWorkBuffer(HWND window, int zoom = 1) {
  int width, height;
  const std::vector<uint32_t> work = BitmapPixels(State.graphics.WorkBuffer, &width, &height);
  const int shownWidth = width * zoom, shownHeight = height * zoom;
  const std::vector<uint32_t> shown = WindowPixels(window, shownWidth, shownHeight);
  int count = 0, first = -1;
  for (int i = 0; i < shownWidth * shownHeight; ++i) {
    if (shown[i] == work[(i / shownWidth / zoom) * width + (i % shownWidth) / zoom]) continue;
    if (count++ == 0) first = i;
  }
  if (!count) return "";
  char text[128];
  snprintf(text, sizeof text, "%d pixels differ, first at (%d,%d): shown %06X, WorkBuffer %06X",
           count, first % shownWidth, first / shownWidth, shown[first],
           work[(first / shownWidth / zoom) * width + (first % shownWidth) / zoom]);
  return text;
}

int NonBlack(HBITMAP bitmap) {
  int width, height, count = 0;
  for (uint32_t p : BitmapPixels(bitmap, &width, &height)) count += p != 0;
  return count;
}

LRESULT CALLBACK CoverProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  return DefWindowProcA(window, message, w, l);
}

// Shows a white top-most window over `area` (screen coordinates) and hides it again. Windows
// then invalidates (and erases) what was uncovered in the windows below; Wine's window surfaces
// bring the covered pixels back without asking the window, so the uncovered part of `below` is
// invalidated here as Windows would.
void PassAWindowOver(HWND below, const RECT& area) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = CoverProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
  windowClass.lpszClassName = "PresentTestCover";
  RegisterClassA(&windowClass);
  const HWND cover =
      CreateWindowExA(WS_EX_TOPMOST, "PresentTestCover", "", WS_POPUP | WS_VISIBLE, area.left,
                      area.top, area.right - area.left, area.bottom - area.top, nullptr, nullptr,
                      windowClass.hInstance, nullptr);
  PumpMessages(300);
  ShowWindow(cover, SW_HIDE);
  RECT uncovered = area;
  MapWindowPoints(nullptr, below, reinterpret_cast<POINT*>(&uncovered), 2);
  RedrawWindow(below, &uncovered, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  PumpMessages(300);
  DestroyWindow(cover);
}

struct WindowCase {
  const char* name;
  int mode;
  Size2 output;
  int scaleFactor;
  int zoom;  // of the present, saver only: the window is the output zoomed
};

class SaverPresent : public testing::TestWithParam<WindowCase> {
 protected:
  void SetUp() override {
    const WindowCase& c = GetParam();
    ProgramInstance = GetModuleHandleA(nullptr);
    State = SaverWindowState{};
    LoadSettings(State.settings, State.DataDirectory);
    State.run.ScreenSize =
        Size2{GetSystemMetrics(SM_CXSCREEN) / c.zoom, GetSystemMetrics(SM_CYSCREEN) / c.zoom};
    State.run.RunMode = c.mode;
    State.run.OutputSize = c.output;
    State.run.ScaleFactor = c.scaleFactor;
    State.run.ScreenZoom = c.zoom;
    RegisterSaverClass();  // once per process; later calls find it registered
    if (c.mode == RUN_SAVER) {
      window_ =
          CreateWindowExA(WS_EX_TOPMOST, "QV3_02", "QV3_02", WS_POPUP | WS_VISIBLE, 0, 0,
                          State.run.OutputSize.width * c.zoom, State.run.OutputSize.height * c.zoom,
                          nullptr, nullptr, ProgramInstance, &State);
    } else {
      host_ = CreateWindowExA(WS_EX_TOPMOST, "STATIC", "host", WS_POPUP | WS_VISIBLE, 40, 30,
                              State.run.OutputSize.width, State.run.OutputSize.height, nullptr,
                              nullptr, nullptr, nullptr);
      window_ = CreateWindowExA(0, "QV3_02", "SSPREVIEW", WS_CHILD | WS_VISIBLE, 0, 0,
                                State.run.OutputSize.width, State.run.OutputSize.height, host_,
                                nullptr, ProgramInstance, &State);
    }
    ASSERT_NE(window_, nullptr);
    ASSERT_NE(State.graphics.WorkBuffer, nullptr);
    // Frames come only from Tick: one drawn between a damage and its check would hide it.
    KillTimer(window_, 100);
    PumpMessages(200);
  }

  void TearDown() override {
    DestroyWindow(host_ ? host_ : window_);
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
    State.run.RunMode = RUN_SETTINGS;
  }

  // Frames drawn as the timer draws them, between messages pumped now and then.
  void Tick(int count) {
    for (int i = 0; i < count; ++i) {
      SendMessageA(window_, WM_TIMER, 100, 0);
      if (i % 25 == 0) PumpMessages(0);
    }
  }

  HWND host_ = nullptr;
  HWND window_ = nullptr;
};

TEST_P(SaverPresent, WindowEqualsTheWorkBufferAfterManyFrames) {
  for (int round = 0; round < 3; ++round) {
    Tick(kTicks / 3);
    EXPECT_EQ(WindowAgainstWorkBuffer(window_, GetParam().zoom), "")
        << "after " << (round + 1) * kTicks / 3;
  }
}

TEST_P(SaverPresent, AWindowPassedOverLeavesNoTrace) {
  // Ticks until sprites are on the screen, so that a wrong repair shows.
  for (int i = 0; i < 200 && NonBlack(State.graphics.WorkBuffer) < 500; ++i) Tick(1);
  ASSERT_GE(NonBlack(State.graphics.WorkBuffer), 500);
  RECT area;
  GetWindowRect(window_, &area);
  area.right -= (area.right - area.left) / 3;  // over part of the window
  PassAWindowOver(window_, area);
  EXPECT_EQ(WindowAgainstWorkBuffer(window_, GetParam().zoom), "");
  // And after a few more frames.
  Tick(5);
  EXPECT_EQ(WindowAgainstWorkBuffer(window_, GetParam().zoom), "");
}

const WindowCase kWindows[] = {
    {"saver", RUN_SAVER, {1024, 768}, 1000, 1},
    {"preview", RUN_PREVIEW, {304, 224}, 296, 1},
    // A 192-DPI screen: the logical screen is half the window; an odd edge of the passing
    // window falls inside a picture pixel.
    {"saver_at_zoom_2", RUN_SAVER, {512, 384}, 1000, 2},
};

INSTANTIATE_TEST_SUITE_P(Windows, SaverPresent, testing::ValuesIn(kWindows),
                         [](const testing::TestParamInfo<WindowCase>& info) {
                           return std::string(info.param.name);
                         });

}  // namespace
