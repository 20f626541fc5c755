// The saver window in-process: set-up, drawing on the timer, teardown.
#include <gtest/gtest.h>
#include <windows.h>

#include <vector>

#include "app/runstate.h"
#include "app/saver_window.h"
#include "app/startup.h"
#include "gfx/graphics.h"

namespace {

int CountNonBlack(HBITMAP bitmap, int width, int height) {
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
  int count = 0;
  for (uint32_t p : pixels) count += (p & 0xFFFFFF) != 0;
  return count;
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
  HWND host = CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 0, 0, 304, 224,
                              nullptr, nullptr, nullptr, nullptr);
  HWND window = CreateWindowExA(0, "QV3_02", "SSPREVIEW", WS_CHILD | WS_VISIBLE, 0, 0, 304, 224,
                                host, nullptr, ProgramInstance, nullptr);
  ASSERT_NE(window, nullptr);
  ASSERT_NE(WorkBuffer, nullptr);
  int most = 0;
  for (int i = 0; i < 12; ++i) {
    Pump(500);
    const int count = CountNonBlack(WorkBuffer, 304, 224);
    if (count > most) most = count;
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
