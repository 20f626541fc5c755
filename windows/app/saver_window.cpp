#include "windows/app/saver_window.h"

#include <cstdio>
#include <ctime>

#include "windows/app/library_proc.h"
#include "windows/app/monitor_windows.h"
#include "windows/gdi/compositor.h"
#include "windows/gdi/graphics.h"
#include "windows/gdi/image.h"
#include "res/data_files.h"
#include "res/resource_ids.h"
#include "windows/settings/control_values.h"
#include "windows/settings/settings_store.h"
#include "show/input_rule.h"
#include "windows/settings/settings_window.h"
#include "show/runstate.h"
#include "show/show.h"
#include "show/zoom.h"
#include "windows/sound/sound.h"

namespace {

constexpr UINT_PTR kFrameTimerId = 100;
// The preview's look at its parent, which it draws nothing for while that is hidden.
constexpr UINT_PTR kParentTimerId = 101;
constexpr UINT kParentCheckMs = 1000;
constexpr wchar_t kMusicFile[] = L"" MUSIC_FILE_NAME;
// Any data folder that fits its own buffer, a backslash and the file name.
constexpr int kMusicPathSize = kDataDirectorySize + 1 + sizeof kMusicFile / sizeof kMusicFile[0];

UINT16 FrameTimer = 0;
HPALETTE PreviousPalette = nullptr;
int TickPhase = 0;
int PasswordPending = 0;
POINT LastCursorPos = {0, 0};
bool TornDown = false;

// WINNLSEnableIME lives in user32 but is missing from some import libraries: look it up once.
void EnableInputMethod(BOOL enable) {
  using EnableImeProc = BOOL(WINAPI*)(HWND, BOOL);
  static const EnableImeProc enableIme =
      LibraryProc<EnableImeProc>(GetModuleHandleA("user32.dll"), "WINNLSEnableIME");
  if (enableIme != nullptr) enableIme(nullptr, enable);
}

// The show of the saver or preview window: one window of the kind per process.
Show SaverShow;
uint32_t SaverSeed = 0;

// Nobody sees the saver while the display is off (where the system reports the display's
// state), nor the preview while its parent is hidden or minimised: no frame timer runs then.
bool DisplayOff = false;
bool ParentHidden = false;
bool Unseen = false;
HPOWERNOTIFY DisplayNotify = nullptr;
// GUID_CONSOLE_DISPLAY_STATE, whose notices carry 0 for off, 1 for on and 2 for dimmed.
constexpr GUID kConsoleDisplayState = {
    0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};

// Asks for the display's state notices: RegisterPowerSettingNotification is missing before
// Windows Vista, where the display's state is not reported and the saver always draws.
void WatchDisplay(HWND window) {
  using RegisterProc = HPOWERNOTIFY(WINAPI*)(HANDLE, LPCGUID, DWORD);
  const auto registerNotice =
      LibraryProc<RegisterProc>(GetModuleHandleA("user32.dll"), "RegisterPowerSettingNotification");
  if (registerNotice != nullptr) {
    DisplayNotify = registerNotice(window, &kConsoleDisplayState, DEVICE_NOTIFY_WINDOW_HANDLE);
  }
}

void UnwatchDisplay() {
  if (DisplayNotify == nullptr) return;
  using UnregisterProc = BOOL(WINAPI*)(HPOWERNOTIFY);
  const auto unregisterNotice = LibraryProc<UnregisterProc>(GetModuleHandleA("user32.dll"),
                                                            "UnregisterPowerSettingNotification");
  if (unregisterNotice != nullptr) unregisterNotice(DisplayNotify);
  DisplayNotify = nullptr;
}

void StartFrameTimer(HWND window) {
  FrameTimer = static_cast<UINT16>(
      SetTimer(window, kFrameTimerId, static_cast<UINT>(FramePeriodForSpeed(CurrentSettings.speed)),
               nullptr));
}

// Stops the frame timer when nobody can see the window any more; seen again, the WorkBuffer
// and the window go back to the background, a fresh scene starts and the timer runs again.
// The music goes on either way.
void FollowSight(HWND window) {
  const bool unseen = DisplayOff || ParentHidden;
  if (unseen == Unseen || TornDown) return;
  Unseen = unseen;
  if (unseen) {
    KillTimer(window, kFrameTimerId);
    FrameTimer = 0;
    return;
  }
  GfxBlankWorkBuffer();
  ShowStartFreshScene(SaverShow);
  InvalidateRect(window, nullptr, FALSE);
  StartFrameTimer(window);
}

// The preview's parent is hidden, or the window it stands in is minimised.
bool PreviewParentHidden(HWND window) {
  const HWND parent = GetParent(window);
  if (parent == nullptr) return false;
  return !IsWindowVisible(parent) || IsIconic(GetAncestor(parent, GA_ROOT));
}

LRESULT OnPowerBroadcast(HWND window, WPARAM wParam, LPARAM lParam) {
  const auto* setting = reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam);
  if (wParam != PBT_POWERSETTINGCHANGE || setting == nullptr ||
      !IsEqualGUID(setting->PowerSetting, kConsoleDisplayState) ||
      setting->DataLength < sizeof(DWORD)) {
    return TRUE;
  }
  DWORD state = 0;
  CopyMemory(&state, setting->Data, sizeof state);
  // A dimmed display still shows the saver.
  DisplayOff = state == 0;
  FollowSight(window);
  return TRUE;
}

// A list that repeats the last drawn one is not drawn, nor a sprite blanked and drawn again where
// it stands: only the compositor writes the WorkBuffer, and the screen already shows them.
void DrawFrame(HWND window) {
  if (RunMode == RUN_SAVER) EnableInputMethod(FALSE);
  DirectorTick(SaverShow);
  static DrawEntry toDraw[kDrawListSlots];
  if (ShowListToDraw(SaverShow, toDraw)) GfxRenderFrame(window, toDraw);
  // The other monitors' shows go with the same timer.
  if (RunMode == RUN_SAVER) MonitorWindowsTick();
}

void DeleteObjectOnce(HBITMAP* object) {
  if (*object != nullptr) DeleteObject(*object);
  *object = nullptr;
}

// Deletes every graphics object that exists, once the compositor's device contexts have let go
// of them: buffers, sheets, patterns, and the palette last, after the desktop's device context
// has its previous palette back.
void DeleteGraphics() {
  GfxReleaseDrawingContexts();
  DeleteObjectOnce(&BackgroundBuffer);
  DeleteObjectOnce(&WorkBuffer);
  for (SpriteSheet& sheet : SpriteSheets) {
    DeleteObjectOnce(&sheet.image);
    DeleteObjectOnce(&sheet.mask);
  }
  for (HBITMAP& pattern : DitherPatterns) DeleteObjectOnce(&pattern);
  GfxRestorePalette(GetDesktopWindow(), PreviousPalette, &SaverPalette);
}

// Opens the wave device and loads the music into slot 0; without a device the music is off.
void StartMusic(HWND window) {
  if (!SoundInit(window)) {
    CurrentSettings.music = 0;
    return;
  }
  // The path is "folder\BGM04.SSS" in wide characters; the file system judges its length.
  const int folderLength = lstrlenW(DataDirectory);
  if (folderLength + 1 + lstrlenW(kMusicFile) >= kMusicPathSize) return;
  wchar_t path[kMusicPathSize];
  lstrcpyW(path, DataDirectory);
  path[folderLength] = L'\\';
  lstrcpyW(path + folderLength + 1, kMusicFile);
  SoundLoadWave(path, 0);
}

void TearDown(HWND window) {
  if (TornDown) return;
  TornDown = true;
  if (FrameTimer != 0) {
    KillTimer(window, kFrameTimerId);
    FrameTimer = 0;
  }
  KillTimer(window, kParentTimerId);
  UnwatchDisplay();
  DeleteGraphics();
  MonitorWindowsDestroy();
  if (CurrentSettings.music == 1) SoundReleaseAll();
  ShowCursor(TRUE);
  EnableInputMethod(TRUE);
  PostQuitMessage(0);
}

// Runs the exit sequence; `realDestroy` is set for a WM_DESTROY of a window that is really
// going away, which ends the run even when the password is refused.
LRESULT ExitSequence(HWND window, bool realDestroy) {
  if (TornDown) return 0;
  if (RunMode == RUN_SAVER && !PasswordPending) {
    PasswordPending = 1;
    ShowCursor(TRUE);
    if (!VerifyPassword(window) && !realDestroy) {
      GetCursorPos(&LastCursorPos);
      ShowCursor(FALSE);
      PasswordPending = 0;
      return 0;
    }
  }
  TearDown(window);
  return 0;
}

LRESULT ExitInput(HWND window) {
  // Input that arrives while the password dialog is up belongs to that dialog's verification.
  if (RunMode != RUN_SAVER || PasswordPending) return 0;
  return ExitSequence(window, false);
}

bool SendingOwnDestroy = false;

LRESULT OnCreate(HWND window) {
  // A new window starts a new run of the lifecycle.
  TornDown = false;
  PasswordPending = 0;
  TickPhase = 0;
  DisplayOff = ParentHidden = Unseen = false;
  LoadSettings();
  if (RunMode != RUN_SAVER) CurrentSettings.music = 0;
  if (CurrentSettings.music == 1) StartMusic(window);

  const HWND desktop = GetDesktopWindow();
  const HDC context = GetDC(desktop);
  if (!SetUpGraphics(window, context)) {
    MessageBoxW(window,
                MessageForUser(L"グラフィックメモリが足りませんでした",
                               L"There was not enough graphics memory."),
                L"QAV SAVER Vol.3", MB_OK);
    ReleaseDC(desktop, context);
    SendingOwnDestroy = true;
    SendMessageA(window, WM_DESTROY, 0, 0);
    SendingOwnDestroy = false;
    return 0;
  }
  ReleaseDC(desktop, context);
  GetCursorPos(&LastCursorPos);
  if (RunMode == RUN_SAVER) {
    EnableInputMethod(FALSE);
    ShowCursor(FALSE);
  }
  SaverSeed = static_cast<uint32_t>(time(nullptr));
  ShowSetUp(SaverShow, RunMode, ScreenSize, OutputSize, ScaleFactor, SaverSeed);
  if (CurrentSettings.music == 1) SoundPlay(0, 1);
  if (RunMode == RUN_SAVER) WatchDisplay(window);
  if (RunMode == RUN_PREVIEW) SetTimer(window, kParentTimerId, kParentCheckMs, nullptr);
  return 0;
}

// Repairs what was uncovered from the WorkBuffer, which holds the picture on the screen: a
// window that passed over the saver, or the first appearance of the window.
LRESULT OnPaint(HWND window) {
  PAINTSTRUCT paint;
  const HDC dc = BeginPaint(window, &paint);
  // The paint rectangle is in window pixels; at a zoom above 1 the picture pixels that cover it.
  const RECT& r = paint.rcPaint;
  const int32_t zoom = GfxPresentZoom();
  const int32_t left = PictureOffset(r.left, zoom), top = PictureOffset(r.top, zoom);
  const int32_t right = PictureOffset(r.right + zoom - 1, zoom);
  const int32_t bottom = PictureOffset(r.bottom + zoom - 1, zoom);
  GfxPresentRect(dc, left, top, right - left, bottom - top);
  EndPaint(window, &paint);
  return 0;
}

LRESULT OnMouseMove(HWND window) {
  POINT cursor;
  GetCursorPos(&cursor);
  if (!PointerMoveEnds(LastCursorPos.x, LastCursorPos.y, cursor.x, cursor.y)) return 0;
  return ExitInput(window);
}

}  // namespace

const Show& SaverWindowShow() { return SaverShow; }

uint32_t SaverWindowSeed() { return SaverSeed; }

int SetUpGraphics(HWND window, HDC context) {
  if (!GfxLoadPictures(context, kSheetResources, kSheetCount, &SaverPalette, &PreviousPalette,
                       SpriteSheets)) {
    return 0;
  }
  GfxCreatePatterns();
  if (!GfxCreateBuffers(context)) return 0;
  StartFrameTimer(window);
  return FrameTimer != 0;
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
  switch (message) {
    case WM_CREATE:
      return OnCreate(window);
    case WM_DESTROY:
      return ExitSequence(window, !SendingOwnDestroy);
    case WM_NCMOUSEMOVE:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      return ExitInput(window);
    case WM_MOUSEMOVE:
      return OnMouseMove(window);
    case MM_WOM_DONE:
      // The looping music has run out of loops, or was stopped: start it again.
      if (CurrentSettings.music == 1) SoundPlay(0, 1);
      return 0;
    case WM_PAINT:
      return OnPaint(window);
    case WM_DISPLAYCHANGE:
      // A monitor came, went or changed: the other monitors' windows and shows follow. The
      // saver window keeps its own.
      if (RunMode == RUN_SAVER && !TornDown) {
        MonitorWindowsCreate(window, CurrentSettings.allMonitors != 0, SaverSeed);
      }
      return 0;
    case WM_POWERBROADCAST:
      return OnPowerBroadcast(window, wParam, lParam);
    case WM_TIMER:
      if (wParam == kParentTimerId) {
        ParentHidden = PreviewParentHidden(window);
        FollowSight(window);
        return 0;
      }
      // A tick already queued when the timer stopped is not drawn.
      if (Unseen) return 0;
      TickPhase = (TickPhase + 1) % 2;
      if (TickPhase == 0 || PasswordPending != 1) DrawFrame(window);
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}
