// The saver window in-process: set-up, drawing on the timer, teardown.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "show/runstate.h"
#include "show/show.h"
#include "tests/support/message_pump.h"
#include "tests/wine/bitmap_pixels.h"
#include "windows/app/saver_window.h"
#include "windows/app/startup.h"
#include "windows/gdi/graphics.h"
#include "windows/settings/control_values.h"

namespace {

// The saver window's state, as start-up hands it to the window.
SaverWindowState State;

// Counts the non-black pixels inside and outside the current scene's three sprites, each at
// its full-screen place and size scaled by ScaleFactor, as the preview draws them.
void CountAgainstScene(const std::vector<uint32_t>& pixels, int width, int height, int* inside,
                       int* outside) {
  *inside = *outside = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      if (pixels[size_t(y) * width + x] == 0) continue;
      bool in = false;
      const Show& show = State.show;
      for (int slot = 0; slot < 3; ++slot) {
        const int actor = show.scene.actors[slot];
        const Actor& cast = show.cast[actor];
        const struct FrameRect& frame = cast.frameTable[cast.step->frame];
        const int left = show.scene.x[slot] * State.run.ScaleFactor / 1000;
        const int top = show.scene.y[slot] * State.run.ScaleFactor / 1000;
        in = in || (x >= left && x < left + frame.width * State.run.ScaleFactor / 1000 &&
                    y >= top && y < top + frame.height * State.run.ScaleFactor / 1000);
      }
      ++*(in ? inside : outside);
    }
  }
}

TEST(SaverWindow, PreviewDrawsScenesIntoTheWorkBufferAndTearsDown) {
  ProgramInstance = GetModuleHandleA(nullptr);
  State = SaverWindowState{};
  LoadSettings(State.settings, State.DataDirectory);
  State.run.ScreenSize = Size2{1024, 768};
  State.run.RunMode = RUN_PREVIEW;
  State.run.OutputSize = Size2{304, 224};
  State.run.ScaleFactor = 296;
  ASSERT_TRUE(RegisterSaverClass());
  HWND host = CreateWindowExA(0, "STATIC", "host", WS_POPUP | WS_VISIBLE, 0, 0, 304, 224, nullptr,
                              nullptr, nullptr, nullptr);
  HWND window = CreateWindowExA(0, "QV3_02", "SSPREVIEW", WS_CHILD | WS_VISIBLE, 0, 0, 304, 224,
                                host, nullptr, ProgramInstance, &State);
  ASSERT_NE(window, nullptr);
  ASSERT_NE(State.graphics.WorkBuffer, nullptr);
  int most = 0;
  for (int i = 0; i < 12; ++i) {
    PumpMessages(500);
    int inside, outside;
    int width, height;
    const std::vector<uint32_t> pixels = BitmapPixels(State.graphics.WorkBuffer, &width, &height);
    CountAgainstScene(pixels, width, height, &inside, &outside);
    EXPECT_EQ(outside, 0) << "pixels outside the scaled sprites";
    if (inside > most) most = inside;
  }
  EXPECT_GT(most, 500) << "no scene was drawn";
  DestroyWindow(host);
  EXPECT_EQ(State.graphics.WorkBuffer, nullptr);
  EXPECT_EQ(State.graphics.SaverPalette, nullptr);
  for (const SpriteSheet& sheet : State.graphics.SpriteSheets) EXPECT_EQ(sheet.image, nullptr);
  MSG message;
  EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

struct MessageBoxSeen {
  std::wstring caption;
  std::wstring text;
};

BOOL CALLBACK CollectText(HWND child, LPARAM data) {
  wchar_t text[128] = L"";
  GetWindowTextW(child, text, 128);
  if (text[0] != 0) reinterpret_cast<MessageBoxSeen*>(data)->text += text;
  return TRUE;
}

// Waits for the saver's message box, notes its caption and texts, and presses OK.
void AnswerMessageBox(MessageBoxSeen* seen) {
  for (int i = 0; i < 200; ++i) {
    HWND box = FindWindowW(L"#32770", nullptr);
    if (box != nullptr) {
      wchar_t caption[64] = L"";
      GetWindowTextW(box, caption, 64);
      seen->caption = caption;
      EnumChildWindows(box, CollectText, reinterpret_cast<LPARAM>(seen));
      PostMessageW(box, WM_COMMAND, IDOK, 0);
      return;
    }
    Sleep(50);
  }
}

TEST(SaverWindow, FailedSetUpShowsTheMessageAndEndsThePreview) {
  ProgramInstance = GetModuleHandleA(nullptr);
  State = SaverWindowState{};
  LoadSettings(State.settings, State.DataDirectory);
  State.run.ScreenSize = Size2{1024, 768};
  State.run.RunMode = RUN_PREVIEW;
  State.run.OutputSize = Size2{60000, 60000};  // buffers this large cannot be made
  State.run.ScaleFactor = 1000;
  RegisterSaverClass();
  HWND host = CreateWindowExA(0, "STATIC", "host", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                              nullptr, nullptr);
  MessageBoxSeen seen;
  std::thread answer(AnswerMessageBox, &seen);
  HWND window = CreateWindowExA(0, "QV3_02", "SSPREVIEW", WS_CHILD, 0, 0, 100, 100, host, nullptr,
                                ProgramInstance, &State);
  answer.join();
  EXPECT_NE(window, nullptr) << "the window's creation itself succeeds";
  EXPECT_EQ(seen.caption, L"QAV SAVER Vol.3");
  // The message is in Japanese only where the user's UI language is Japanese.
  const bool japanese = PRIMARYLANGID(GetUserDefaultUILanguage()) == LANG_JAPANESE;
  const std::wstring expected =
      japanese ? L"グラフィックメモリが足りませんでした" : L"There was not enough graphics memory.";
  EXPECT_NE(seen.text.find(expected), std::wstring::npos);
  // Torn down without a password: nothing of the graphics is left, and the loop is told to end.
  EXPECT_EQ(State.graphics.WorkBuffer, nullptr);
  EXPECT_EQ(State.graphics.BackgroundBuffer, nullptr);
  EXPECT_EQ(State.graphics.SaverPalette, nullptr);
  for (const SpriteSheet& sheet : State.graphics.SpriteSheets) {
    EXPECT_EQ(sheet.image, nullptr);
    EXPECT_EQ(sheet.mask, nullptr);
  }
  for (HBITMAP pattern : State.graphics.DitherPatterns) EXPECT_EQ(pattern, nullptr);
  MSG message;
  EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  // The real destruction that follows is a second teardown: it changes nothing.
  const int cursorBefore = ShowCursor(TRUE) - 1;
  ShowCursor(FALSE);
  DestroyWindow(host);
  const int cursorAfter = ShowCursor(TRUE) - 1;
  ShowCursor(FALSE);
  EXPECT_EQ(cursorAfter, cursorBefore);
  EXPECT_FALSE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
}

// The frame timer runs at the period of the speed the settings file gives: start-up reads the
// file into the window's state, and the window's set-up starts the timer from it.
TEST(SaverWindow, FrameTimerTakesThePeriodOfTheSpeedInTheSettingsFile) {
  const struct {
    const char* speed;
    int32_t period;
  } cases[] = {{"1", 300}, {"4", 150}, {"5", 100}, {"0", 300}, {"12", 100}};
  for (const auto& c : cases) {
    ASSERT_TRUE(WritePrivateProfileStringA("QV3_02", "SPEED", c.speed, "QAV3CFG.INI"));
    ProgramInstance = GetModuleHandleA(nullptr);
    State = SaverWindowState{};
    LoadSettings(State.settings, State.DataDirectory);
    State.run.ScreenSize = Size2{1024, 768};
    State.run.RunMode = RUN_PREVIEW;
    State.run.OutputSize = Size2{152, 112};
    State.run.ScaleFactor = 148;
    RegisterSaverClass();
    HWND host = CreateWindowExA(0, "STATIC", "host", WS_POPUP, 0, 0, 152, 112, nullptr, nullptr,
                                nullptr, nullptr);
    HWND window = CreateWindowExA(0, "QV3_02", "SSPREVIEW", WS_CHILD, 0, 0, 152, 112, host, nullptr,
                                  ProgramInstance, &State);
    ASSERT_NE(window, nullptr) << c.speed;
    EXPECT_NE(State.frameTimer, 0u) << c.speed;
    EXPECT_EQ(State.framePeriod, c.period) << "SPEED=" << c.speed;
    DestroyWindow(host);
    EXPECT_EQ(State.framePeriod, 0) << "the timer outlived the window";
    MSG message;
    while (PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) {
    }
  }
  WritePrivateProfileStringA("QV3_02", "SPEED", nullptr, "QAV3CFG.INI");
}

// The stand-in password library beside the test program refuses every password here.
TEST(SaverWindow, RealDestructionEndsTheRunEvenWhenThePasswordIsRefused) {
  char dir[MAX_PATH];
  GetTempPathA(MAX_PATH, dir);
  const std::string answer = std::string(dir) + "qv3answer.txt";
  const std::string log = std::string(dir) + "qv3calls.txt";
  FILE* f = std::fopen(answer.c_str(), "w");
  std::fputs("refuse", f);
  std::fclose(f);
  DeleteFileA(log.c_str());
  _putenv(("QV3_TEST_PASSWORD_FILE=" + answer).c_str());
  _putenv(("QV3_TEST_PASSWORD_LOG=" + log).c_str());
  HKEY key;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Control Panel\\desktop", 0, nullptr, 0,
                            KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
  const DWORD one = 1;
  RegSetValueExA(key, "ScreenSaveUsePassword", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&one),
                 sizeof one);

  ProgramInstance = GetModuleHandleA(nullptr);
  State = SaverWindowState{};
  LoadSettings(State.settings, State.DataDirectory);
  State.run.ScreenSize = Size2{320, 240};
  State.run.RunMode = RUN_SAVER;
  State.run.OutputSize = State.run.ScreenSize;
  State.run.ScaleFactor = 1000;
  RegisterSaverClass();
  HWND window = CreateWindowExA(0, "QV3_02", "QV3_02", WS_POPUP, 0, 0, 320, 240, nullptr, nullptr,
                                ProgramInstance, &State);
  ASSERT_NE(window, nullptr);
  MSG message;
#ifdef _WIN64
  // 64-bit Windows has no password library to ask: the first key ends the run.
  SendMessageA(window, WM_KEYDOWN, 'A', 0);
  EXPECT_EQ(State.graphics.WorkBuffer, nullptr);
  EXPECT_EQ(State.graphics.SaverPalette, nullptr);
  EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  DestroyWindow(window);
  const char* const expectedCalls = "";
#else
  SendMessageA(window, WM_KEYDOWN, 'A', 0);  // refused: the saver goes on
  EXPECT_NE(State.graphics.WorkBuffer, nullptr);
  EXPECT_FALSE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  DestroyWindow(window);  // asked again, refused again, but the window is gone: the run ends
  EXPECT_EQ(State.graphics.WorkBuffer, nullptr);
  EXPECT_EQ(State.graphics.SaverPalette, nullptr);
  EXPECT_TRUE(PeekMessageA(&message, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
  const char* const expectedCalls = "verify window=1 answer=0\nverify window=1 answer=0\n";
#endif

  std::string calls;
  if (FILE* in = std::fopen(log.c_str(), "r")) {
    char line[128];
    while (std::fgets(line, sizeof line, in)) calls += line;
    std::fclose(in);
  }
  EXPECT_EQ(calls, expectedCalls);
  RegDeleteValueA(key, "ScreenSaveUsePassword");
  RegCloseKey(key);
  DeleteFileA(answer.c_str());
  DeleteFileA(log.c_str());
}

}  // namespace
