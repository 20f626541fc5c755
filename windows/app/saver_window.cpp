#include "windows/app/saver_window.h"

#include <cstdio>

#include "res/data_files.h"
#include "res/resource_ids.h"
#include "show/input_rule.h"
#include "show/show.h"
#include "windows/app/library_proc.h"
#include "windows/app/monitor_windows.h"
#include "windows/gdi/compositor.h"
#include "windows/gdi/image.h"
#include "windows/gdi/zoom_blit.h"
#include "windows/settings/control_values.h"
#include "windows/settings/settings_store.h"
#include "windows/settings/settings_window.h"
#include "windows/sound/sound.h"

namespace {

constexpr UINT_PTR kFrameTimerId = 100;
// The preview's look at its parent, which it draws nothing for while that is hidden.
constexpr UINT_PTR kParentTimerId = 101;
constexpr UINT kParentCheckMs = 1000;
constexpr wchar_t kMusicFile[] = L"" MUSIC_FILE_NAME;
// Any data folder that fits its own buffer, a backslash and the file name.
constexpr int kMusicPathSize = kDataDirectorySize + 1 + sizeof kMusicFile / sizeof kMusicFile[0];
// GUID_CONSOLE_DISPLAY_STATE, whose notices carry 0 for off, 1 for on and 2 for dimmed.
constexpr GUID kConsoleDisplayState = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

constexpr UINT kExitInputMessages[] = {WM_NCMOUSEMOVE, WM_NCLBUTTONDOWN, WM_NCRBUTTONDOWN,
                                       WM_KEYDOWN,     WM_SYSKEYDOWN,    WM_MOUSEMOVE,
                                       WM_LBUTTONDOWN, WM_RBUTTONDOWN};

// WINNLSEnableIME lives in user32 but is missing from some import libraries: look it up once.
void EnableInputMethod(BOOL enable) {
  using EnableImeProc = BOOL(WINAPI*)(HWND, BOOL);
  static const EnableImeProc enableIme =
      LibraryProc<EnableImeProc>(GetModuleHandleA("user32.dll"), "WINNLSEnableIME");
  if (enableIme != nullptr) enableIme(nullptr, enable);
}

// A list that repeats the last drawn one is not drawn, nor a sprite blanked and drawn again where
// it stands: only the compositor writes the WorkBuffer, and the screen already shows them.
void DrawFrame(HWND window, SaverWindowState& state) {
  const bool saver = state.run.RunMode == RUN_SAVER;
  if (saver) EnableInputMethod(FALSE);
  DirectorTick(state.show);
  if (ShowListToDraw(state.show, state.toDraw))
    GfxRenderFrame(state.graphics, window, state.toDraw, PresentZoom(state.run));
  // The other monitors' shows go with the same timer.
  if (saver) MonitorWindowsTick(state.monitors);
}

// Asks for the display's state notices: RegisterPowerSettingNotification is missing before
// Windows Vista, where the display's state is not reported and the saver always draws.
void WatchDisplay(HWND window, SaverWindowState& state) {
  using RegisterProc = HPOWERNOTIFY(WINAPI*)(HANDLE, LPCGUID, DWORD);
  const auto registerNotice =
      LibraryProc<RegisterProc>(GetModuleHandleA("user32.dll"), "RegisterPowerSettingNotification");
  if (registerNotice != nullptr) {
    state.displayNotify =
        registerNotice(window, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
  }
}

void UnwatchDisplay(SaverWindowState& state) {
  if (state.displayNotify == nullptr) return;
  using UnregisterProc = BOOL(WINAPI*)(HPOWERNOTIFY);
  const auto unregisterNotice = LibraryProc<UnregisterProc>(GetModuleHandleA("user32.dll"),
                                                            "UnregisterPowerSettingNotification");
  if (unregisterNotice != nullptr) unregisterNotice(state.displayNotify);
  state.displayNotify = nullptr;
}

// Starts the frame timer with the period of the settings' speed; false when there is none.
bool StartFrameTimer(HWND window, SaverWindowState& state) {
  const int32_t period = FramePeriodForSpeed(state.settings.speed);
  state.frameTimer = SetTimer(window, kFrameTimerId, static_cast<UINT>(period), nullptr);
  state.framePeriod = state.frameTimer != 0 ? period : 0;
  return state.frameTimer != 0;
}

// Stops the frame timer when nobody can see the window any more; seen again, the WorkBuffer
// and the window go back to the background, a fresh scene starts and the timer runs again.
// The music goes on either way.
void FollowSight(HWND window, SaverWindowState& state) {
  const bool unseen = state.displayOff || state.parentHidden;
  if (unseen == state.unseen || state.tornDown) return;
  state.unseen = unseen;
  if (unseen) {
    KillTimer(window, kFrameTimerId);
    state.frameTimer = 0;
    state.framePeriod = 0;
    return;
  }
  GfxBlankWorkBuffer(state.graphics);
  ShowStartFreshScene(state.show);
  InvalidateRect(window, nullptr, FALSE);
  StartFrameTimer(window, state);
}

// The preview's parent is hidden, or the window it stands in is minimised.
bool PreviewParentHidden(HWND window) {
  const HWND parent = GetParent(window);
  if (parent == nullptr) return false;
  return !IsWindowVisible(parent) || IsIconic(GetAncestor(parent, GA_ROOT));
}

LRESULT OnPowerBroadcast(HWND window, SaverWindowState& state, WPARAM wParam, LPARAM lParam) {
  const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
  if (wParam != PBT_POWERSETTINGCHANGE || setting == nullptr ||
      !IsEqualGUID(setting->PowerSetting, kConsoleDisplayState) ||
      setting->DataLength < sizeof(DWORD)) {
    return TRUE;
  }
  DWORD displayState = 0;
  CopyMemory(&displayState, setting->Data, sizeof displayState);
  // A dimmed display still shows the saver.
  state.displayOff = displayState == 0;
  FollowSight(window, state);
  return TRUE;
}

// Opens the wave device and loads the music into slot 0; without a device the music is off.
// True when the device is open.
bool StartMusic(HWND window, const DataFolderPath& DataDirectory) {
  if (!SoundInit(window)) return false;
  // The path is "folder\BGM04.SSS" in wide characters; the file system judges its length.
  const int folderLength = lstrlenW(DataDirectory);
  if (folderLength + 1 + lstrlenW(kMusicFile) >= kMusicPathSize) return true;
  wchar_t path[kMusicPathSize];
  lstrcpyW(path, DataDirectory);
  path[folderLength] = L'\\';
  lstrcpyW(path + folderLength + 1, kMusicFile);
  SoundLoadWave(path, 0);
  return true;
}

void TearDown(HWND window, SaverWindowState& state) {
  if (state.tornDown) return;
  state.tornDown = true;
  if (state.frameTimer != 0) {
    KillTimer(window, kFrameTimerId);
    state.frameTimer = 0;
    state.framePeriod = 0;
  }
  KillTimer(window, kParentTimerId);
  UnwatchDisplay(state);
  GfxDeleteGraphics(state.graphics);
  MonitorWindowsDestroy(state.monitors);
  if (state.musicPlaying) SoundReleaseAll();
  state.musicPlaying = false;
  ShowCursor(TRUE);
  EnableInputMethod(TRUE);
  PostQuitMessage(0);
}

// Runs the exit sequence; `realDestroy` is set for a WM_DESTROY of a window that is really
// going away, which ends the run even when the password is refused.
LRESULT ExitSequence(HWND window, SaverWindowState& state, bool realDestroy) {
  if (state.tornDown) return 0;
  if (state.run.RunMode == RUN_SAVER && !state.passwordPending) {
    state.passwordPending = 1;
    ShowCursor(TRUE);
    if (!VerifyPassword(window) && !realDestroy) {
      GetCursorPos(&state.lastCursorPos);
      ShowCursor(FALSE);
      state.passwordPending = 0;
      return 0;
    }
  }
  TearDown(window, state);
  return 0;
}

LRESULT ExitInput(HWND window, SaverWindowState& state) {
  // Input that arrives while the password dialog is up belongs to that dialog's verification.
  if (state.run.RunMode != RUN_SAVER || state.passwordPending) return 0;
  return ExitSequence(window, state, false);
}

LRESULT OnCreate(HWND window, SaverWindowState& state) {
  // A new window starts a new run of the lifecycle.
  state.tornDown = false;
  state.passwordPending = 0;
  state.tickPhase = 0;
  state.displayOff = state.parentHidden = state.unseen = false;
  state.musicPlaying = false;
  // The music plays in the full-screen saver only, for a setting of exactly 1.
  if (state.run.RunMode == RUN_SAVER && state.settings.music == 1)
    state.musicPlaying = StartMusic(window, state.DataDirectory);

  const HWND desktop = GetDesktopWindow();
  const HDC context = GetDC(desktop);
  if (!SetUpGraphics(window, context, state)) {
    MessageBoxW(window,
                MessageForUser(L"グラフィックメモリが足りませんでした",
                               L"There was not enough graphics memory."),
                L"QAV SAVER Vol.3", MB_OK);
    ReleaseDC(desktop, context);
    state.sendingOwnDestroy = true;
    SendMessageA(window, WM_DESTROY, 0, 0);
    state.sendingOwnDestroy = false;
    return 0;
  }
  ReleaseDC(desktop, context);
  GetCursorPos(&state.lastCursorPos);
  if (state.run.RunMode == RUN_SAVER) {
    EnableInputMethod(FALSE);
    ShowCursor(FALSE);
  }
  const RunState& run = state.run;
  ShowSetUp(state.show, run.RunMode, run.ScreenSize, run.OutputSize, run.ScaleFactor, state.seed);
  if (state.musicPlaying) SoundPlay(0, 1);
  if (state.run.RunMode == RUN_SAVER) WatchDisplay(window, state);
  if (state.run.RunMode == RUN_PREVIEW) SetTimer(window, kParentTimerId, kParentCheckMs, nullptr);
  return 0;
}

// Repairs what was uncovered from the WorkBuffer, which holds the picture on the screen: a
// window that passed over the saver, or the first appearance of the window.
LRESULT OnPaint(HWND window, SaverWindowState& state) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(window, &paint);
  // The paint rectangle is in window pixels; at a zoom above 1 the picture pixels that cover it.
  const int32_t zoom = PresentZoom(state.run);
  const RECT r = GfxPictureRectOfPaint(paint.rcPaint, zoom);
  GfxPresentRect(state.graphics, dc, r.left, r.top, r.right - r.left, r.bottom - r.top, zoom);
  EndPaint(window, &paint);
  return 0;
}

LRESULT OnMouseMove(HWND window, SaverWindowState& state) {
  POINT cursor;
  GetCursorPos(&cursor);
  if (!PointerMoveEnds(state.lastCursorPos.x, state.lastCursorPos.y, cursor.x, cursor.y)) return 0;
  return ExitInput(window, state);
}

SaverWindowState* StateOf(HWND window) {
  return reinterpret_cast<SaverWindowState*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

}  // namespace

bool IsSaverExitInput(UINT message) {
  for (const UINT exit : kExitInputMessages) {
    if (message == exit) return true;
  }
  return false;
}

int SetUpGraphics(HWND window, HDC context, SaverWindowState& state) {
  const RunState& run = state.run;
  // The preview draws every sheet shrunk by the scale factor; the full-screen saver at its size.
  const int32_t scale = run.RunMode == RUN_PREVIEW ? run.ScaleFactor : kUnscaled;
  if (!GfxSetUpGraphics(state.graphics, GetDesktopWindow(), context, run.OutputSize, scale))
    return 0;
  return StartFrameTimer(window, state);
}

int VerifyPassword(HWND window) {
#ifdef _WIN64
  // 64-bit Windows has no screen-saver password library: the system itself asks for the
  // password once the saver has ended, so any input ends the run.
  (void)window;
  return 1;
#else
  DWORD usePassword = 0;
  HKEY key;
  if (RegOpenKeyExA(HKEY_CURRENT_USER, "Control Panel\\desktop", 0, KEY_READ, &key) ==
      ERROR_SUCCESS) {
    DWORD size = sizeof usePassword;
    RegQueryValueExA(key, "ScreenSaveUsePassword", nullptr, nullptr,
                     reinterpret_cast<BYTE*>(&usePassword), &size);
    RegCloseKey(key);
  }
  if (usePassword == 0) return 1;
  const HMODULE library = LoadLibraryA("password.cpl");
  if (library == nullptr) return 1;
  using VerifyProc = BOOL(WINAPI*)(HWND);
  const auto verify = LibraryProc<VerifyProc>(library, "VerifyScreenSavePwd");
  if (verify == nullptr) {
    FreeLibrary(library);
    return 1;
  }
  const BOOL accepted = verify(window);
  FreeLibrary(library);
  return accepted;
#endif
}

LRESULT CALLBACK SaverWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  // The state comes with the first message that carries the creation parameter.
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  SaverWindowState* const found = StateOf(window);
  if (found == nullptr) return DefWindowProcA(window, message, wParam, lParam);
  SaverWindowState& state = *found;
  switch (message) {
    case WM_CREATE:
      return OnCreate(window, state);
    case WM_DESTROY:
      return ExitSequence(window, state, !state.sendingOwnDestroy);
    case WM_MOUSEMOVE:
      return OnMouseMove(window, state);
    case MM_WOM_DONE:
      // The looping music has run out of loops, or was stopped: start it again.
      if (state.musicPlaying) SoundPlay(0, 1);
      return 0;
    case WM_PAINT:
      return OnPaint(window, state);
    case WM_DISPLAYCHANGE:
      // A monitor came, went or changed: the other monitors' windows and shows follow. The
      // saver window keeps its own.
      if (state.run.RunMode == RUN_SAVER && !state.tornDown) {
        MonitorWindowsCreate(state.monitors, window, state.settings.allMonitors != 0, state.seed,
                             state.run.ScreenZoom);
      }
      return 0;
    case WM_POWERBROADCAST:
      return OnPowerBroadcast(window, state, wParam, lParam);
    case WM_TIMER:
      if (wParam == kParentTimerId) {
        state.parentHidden = PreviewParentHidden(window);
        FollowSight(window, state);
        return 0;
      }
      // A tick already queued when the timer stopped is not drawn.
      if (state.unseen) return 0;
      state.tickPhase = (state.tickPhase + 1) % 2;
      if (state.tickPhase == 0 || state.passwordPending != 1) DrawFrame(window, state);
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      return DefWindowProcA(window, message, wParam, lParam);
    default:
      if (IsSaverExitInput(message)) return ExitInput(window, state);
      return DefWindowProcA(window, message, wParam, lParam);
  }
}
