#include "app/monitor_windows.h"

#include "app/library_proc.h"
#include "app/startup.h"

namespace {

constexpr char kCoverClass[] = "QV3MON";
constexpr int kMaxCovers = 16;

HWND SaverWindow = nullptr;
HWND Covers[kMaxCovers] = {};
int CoverCount = 0;
bool ClassRegistered = false;

struct MonitorList {
  RECT rects[kMaxCovers];
  int count;
};

using GetMonitorInfoProc = BOOL(WINAPI*)(HMONITOR, LPMONITORINFO);
using EnumDisplayMonitorsProc = BOOL(WINAPI*)(HDC, LPCRECT, MONITORENUMPROC, LPARAM);
GetMonitorInfoProc GetMonitorInfoFn = nullptr;

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  auto* list = reinterpret_cast<MonitorList*>(data);
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoFn(monitor, &info)) return TRUE;
  if (info.dwFlags & MONITORINFOF_PRIMARY) return TRUE;  // the saver window's own
  const RECT& rect = info.rcMonitor;
  if (rect.right <= rect.left || rect.bottom <= rect.top) return TRUE;
  list->rects[list->count++] = rect;
  return list->count < kMaxCovers;
}

// The saver's exit input, forwarded so that the saver window applies its own rules: it reads
// the cursor from the system, not from the message, and runs the password path.
LRESULT CALLBACK CoverWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCMOUSEMOVE:
    case WM_NCLBUTTONDOWN:
    case WM_NCRBUTTONDOWN:
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN:
    case WM_MOUSEMOVE:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
      if (SaverWindow != nullptr && IsWindow(SaverWindow))
        SendMessageA(SaverWindow, message, wParam, lParam);
      return 0;
    case WM_DESTROY:
      for (HWND& cover : Covers) {
        if (cover == window) cover = nullptr;
      }
      return 0;
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

bool RegisterCoverClass() {
  if (ClassRegistered) return true;
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = CoverWndProc;
  windowClass.hInstance = ProgramInstance;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = kCoverClass;
  ClassRegistered = RegisterClassA(&windowClass) != 0;
  return ClassRegistered;
}

}  // namespace

int MonitorWindowsCreate(HWND saver) {
  MonitorWindowsDestroy();
  // Looked up at run time: systems without several monitors lack these functions.
  const HMODULE user32 = GetModuleHandleA("user32.dll");
  if (user32 == nullptr) return 0;
  const auto enumMonitors = LibraryProc<EnumDisplayMonitorsProc>(user32, "EnumDisplayMonitors");
  GetMonitorInfoFn = LibraryProc<GetMonitorInfoProc>(user32, "GetMonitorInfoA");
  if (enumMonitors == nullptr || GetMonitorInfoFn == nullptr) return 0;
  MonitorList list = {};
  enumMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&list));
  if (list.count == 0 || !RegisterCoverClass()) return 0;
  SaverWindow = saver;
  for (int i = 0; i < list.count; ++i) {
    const RECT& rect = list.rects[i];
    const HWND cover = CreateWindowExA(
        WS_EX_TOPMOST, kCoverClass, "", WS_POPUP | WS_VISIBLE, rect.left, rect.top,
        rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, ProgramInstance, nullptr);
    if (cover != nullptr) Covers[CoverCount++] = cover;
  }
  return CoverCount;
}

void MonitorWindowsDestroy() {
  for (int i = 0; i < CoverCount; ++i) {
    const HWND cover = Covers[i];
    Covers[i] = nullptr;
    if (cover != nullptr) DestroyWindow(cover);
  }
  CoverCount = 0;
  SaverWindow = nullptr;
}
