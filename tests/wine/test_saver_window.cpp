// The saver window in-process: set-up, drawing on the timer, teardown.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "anim/actor.h"
#include "anim/director.h"
#include "app/runstate.h"
#include "app/saver_window.h"
#include "app/startup.h"
#include "gfx/graphics.h"

namespace {

std::vector<uint32_t> ReadPixels(HBITMAP bitmap, int width, int height) {
  BITMAPINFO request = {};
  request.bmiHeader.biSize = sizeof request.bmiHeader;
  request.bmiHeader.biWidth = width;
  request.bmiHeader.biHeight = -height;
  request.bmiHeader.biPlanes = 1;
  request.bmiHeader.biBitCount = 32;
  std::vector<uint32_t> pixels(size_t(width) * height);
  HDC screen = GetDC(nullptr);
  GetDIBits(screen, bitmap, 0, height, pixels.data(), &request, DIB_RGB_COLORS);
  ReleaseDC(nullptr, screen);
  for (uint32_t& p : pixels) p &= 0xFFFFFF;
  return pixels;
}

// Counts the non-black pixels inside and outside the current scene's three sprites, each at
// its full-screen place and size scaled by ScaleFactor, as the preview draws them.
void CountAgainstScene(const std::vector<uint32_t>& pixels, int width, int height, int* inside,
                       int* outside) {
  *inside = *outside = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (pixels[size_t(y) * width + x] == 0) continue;
      bool in = false;
      for (int slot = 0; slot < 3; ++slot) {
        const int actor = CurrentScene.actors[slot];
        const struct FrameRect& frame = Cast[actor].frameTable[Cast[actor].step->frame];
        const int left = CurrentScene.x[slot] * ScaleFactor / 1000;
        const int top = CurrentScene.y[slot] * ScaleFactor / 1000;
        in = in || (x >= left && x < left + frame.width * ScaleFactor / 1000 && y >= top &&
                    y < top + frame.height * ScaleFactor / 1000);
      }
      ++*(in ? inside : outside);
    }
  }
}

void Pump(DWORD ms) {
  const DWORD end = GetTickCount() + ms;
  while (static_cast<LONG>(end - GetTickCount()) > 0) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    Sleep(5);
  }
}

TEST(SaverWindow, PreviewDrawsScenesIntoTheWorkBufferAndTearsDown) {
  ProgramInstance = GetModuleHandleA(nullptr);
  ScreenSize = Size2{1024, 768};
  RunMode = RUN_PREVIEW;
  OutputSize = Size2{304, 224};
  ScaleFactor = 296;
  ASSERT_TRUE(RegisterSaverClass());
  HWND host = CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 0, 0, 304, 224, nullptr,
                              nullptr, nullptr, nullptr);
  HWND window = CreateWindowExA(0, "QV3_02", "SSPREVIEW", WS_CHILD | WS_VISIBLE, 0, 0, 304, 224,
                                host, nullptr, ProgramInstance, nullptr);
  ASSERT_NE(window, nullptr);
  ASSERT_NE(WorkBuffer, nullptr);
  int most = 0;
  for (int i = 0; i < 12; ++i) {
    Pump(500);
    int inside, outside;
    CountAgainstScene(ReadPixels(WorkBuffer, 304, 224), 304, 224, &inside, &outside);
    EXPECT_EQ(outside, 0) << "pixels outside the scaled sprites";
    if (inside > most) most = inside;
  }
  EXPECT_GT(most, 500) << "no scene was drawn";
  DestroyWindow(host);
  EXPECT_EQ(WorkBuffer, nullptr);
  EXPECT_EQ(SaverPalette, nullptr);
  for (const SpriteSheet& sheet : SpriteSheets) EXPECT_EQ(sheet.image, nullptr);
  MSG message;
  EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

}  // namespace
