#include "windows/app/startup.h"

#include <ctime>

#include "show/zoom.h"
#include "windows/app/cmdline.h"
#include "windows/app/library_proc.h"
#include "windows/app/monitor_windows.h"
#include "windows/app/saver_window.h"
#include "windows/settings/settings_window.h"

HINSTANCE ProgramInstance = nullptr;

namespace {

constexpr char kSaverClass[] = "QV3_02";
constexpr char kSaverTitle[] = "QV3_02";
constexpr char kPreviewTitle[] = "SSPREVIEW";
// Held by a full-screen saver from before its window exists until its process ends, so that of
// savers started together only one runs: the window-title test alone misses a window not yet made.
constexpr char kSaverRunLock[] = "QV3_02 full-screen saver";

bool SaverRunClaimed() {
  const HANDLE lock = OpenMutexA(SYNCHRONIZE, FALSE, kSaverRunLock);
  if (lock != nullptr) CloseHandle(lock);
  return lock != nullptr;
}

// False when another saver holds the lock; the handle stays open for the rest of the run.
bool ClaimSaverRun() {
  const HANDLE lock = CreateMutexA(nullptr, FALSE, kSaverRunLock);
  if (lock == nullptr || GetLastError() != ERROR_ALREADY_EXISTS) return true;
  CloseHandle(lock);
  return false;
}

// The desktop and the message-only windows' root (the windows without a parent of their own) are
// never destroyed, so a preview inside either could never end; no window at all hosts nothing.
bool CanHostPreview(HWND parent) {
  return IsWindow(parent) && GetAncestor(parent, GA_PARENT) != nullptr;
}

HWND WindowFromNumber(int32_t number) {
  // Window handles are 32-bit values on every Windows version; sign-extend as the system does.
  return reinterpret_cast<HWND>(static_cast<intptr_t>(number));
}

// The window gets `state` as its creation parameter, which its WM_CREATE builds on.
HWND CreateSaverWindow(HWND parent, SaverWindowState& state) {
  // The full-screen window covers the whole screen: at a zoom above 1 the picture is drawn
  // zoomed and whatever the zoomed picture leaves over stays black.
  if (state.run.RunMode == RUN_SAVER)
    return CreateWindowExA(WS_EX_TOPMOST, kSaverClass, kSaverTitle, WS_POPUP | WS_VISIBLE, 0, 0,
                           GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                           nullptr, ProgramInstance, &state);
  return CreateWindowExA(0, kSaverClass, kPreviewTitle, WS_CHILD | WS_VISIBLE, 0, 0,
                         state.run.OutputSize.width, state.run.OutputSize.height, parent, nullptr,
                         ProgramInstance, &state);
}

// The zoom from the screen's DPI, and ScreenSize in logical pixels: the physical size divided
// by the zoom, truncated.
void ReadScreen(RunState& run) {
  const HDC screen = GetDC(nullptr);
  run.ScreenZoom = ZoomForDpi(screen ? GetDeviceCaps(screen, LOGPIXELSX) : 96);
  if (screen) ReleaseDC(nullptr, screen);
  run.ScreenSize = Size2{GetSystemMetrics(SM_CXSCREEN) / run.ScreenZoom,
                         GetSystemMetrics(SM_CYSCREEN) / run.ScreenZoom};
}

}  // namespace

HWND ParseCommandLine(const char* commandLine, RunState& run, bool* endNow) {
  *endNow = false;
  const CommandLineScan scan = ScanCommandLine(commandLine);
  if (scan.previewRequested && FindWindowA(nullptr, kPreviewTitle) != nullptr) {
    *endNow = true;
    return nullptr;
  }
  run.RunMode = scan.runMode;
  if (scan.outputSource == OUTPUT_SCREEN) {
    run.OutputSize = run.ScreenSize;
  } else if (scan.outputSource == OUTPUT_PREVIEW_CLIENT) {
    // A handle that names no window leaves the size at zero; the child window then cannot be
    // created and the run ends.
    RECT client = {0, 0, 0, 0};
    const HWND preview = WindowFromNumber(scan.outputHandle);
    if (!IsWindow(preview) || !GetClientRect(preview, &client)) client = RECT{0, 0, 0, 0};
    run.OutputSize = Size2{client.right, client.bottom};
  }
  switch (scan.parentSource) {
    case PARENT_FOREGROUND:
      return GetForegroundWindow();
    case PARENT_HANDLE:
      return WindowFromNumber(scan.parentHandle);
    default:
      return nullptr;
  }
}

int RegisterSaverClass() {
  WNDCLASSA windowClass = {};
  windowClass.style = CS_HREDRAW | CS_VREDRAW;
  windowClass.lpfnWndProc = SaverWndProc;
  windowClass.hInstance = ProgramInstance;
  windowClass.hIcon = LoadIconA(ProgramInstance, "ICON");
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = kSaverClass;
  return RegisterClassA(&windowClass) != 0;
}

void ChangePassword(HWND parent) {
  using PwdChangePasswordProc = DWORD(WINAPI*)(LPCSTR, HWND, DWORD, LPVOID);
  const HMODULE library = LoadLibraryA("mpr.dll");
  if (library == nullptr) return;
  const auto change = LibraryProc<PwdChangePasswordProc>(library, "PwdChangePasswordA");
  if (change != nullptr) change("SCRSAVE", parent, 0, nullptr);
  FreeLibrary(library);
}

int RunSaverProgram(HINSTANCE instance, const char* commandLine) {
  if (FindWindowA(nullptr, kSaverTitle) != nullptr || SaverRunClaimed()) return 0;
  ProgramInstance = instance;
  // The saver window's state, which lives for the whole run.
  SaverWindowState state;
  RunState& run = state.run;
  ReadScreen(run);

  bool endNow = false;
  const HWND parent = ParseCommandLine(commandLine, run, &endNow);
  if (endNow) return 0;
  if (run.RunMode == RUN_SETTINGS && BringSettingsWindowForward()) return 0;
  run.ScaleFactor = ComputeScaleFactor(run.OutputSize.width, run.OutputSize.height,
                                       run.ScreenSize.width, run.ScreenSize.height);

  switch (run.RunMode) {
    case RUN_SETTINGS:
      RunSettingsWindow(parent, run.ScreenZoom);
      if (parent != nullptr) SetForegroundWindow(parent);
      return 0;
    case RUN_PASSWORD:
      ChangePassword(parent);
      return 0;
    default:
      break;
  }

  if (run.RunMode == RUN_SAVER ? !ClaimSaverRun() : !CanHostPreview(parent)) return 0;
  if (!RegisterSaverClass()) return 0;
  LoadSettings(state.settings, state.DataDirectory);
  state.seed = static_cast<uint32_t>(time(nullptr));
  const HWND window = CreateSaverWindow(parent, state);
  if (window == nullptr) return 0;
  if (run.RunMode == RUN_SAVER) {
    MonitorWindowsCreate(state.monitors, window, state.settings.allMonitors != 0, state.seed,
                         run.ScreenZoom);
  }
  ShowWindow(window, SW_SHOW);
  UpdateWindow(window);
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) {
    TranslateMessage(&message);
    DispatchMessageA(&message);
  }
  ShowWindow(window, SW_HIDE);
  MonitorWindowsDestroy(state.monitors);
  return static_cast<int>(message.wParam);
}
