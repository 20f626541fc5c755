#include "windows/app/monitor_windows.h"

#include "windows/app/library_proc.h"
#include "windows/app/saver_window.h"
#include "windows/app/startup.h"
#include "windows/gdi/image.h"
#include "windows/gdi/zoom_blit.h"
#include "show/image_decode.h"
#include "show/picture_show.h"
#include "show/zoom.h"

namespace {

constexpr char kCoverClass[] = "QV3MON";
constexpr int kMaxCovers = 16;

// A monitor's window and, where it shows scenes, its show and the bitmap it presents from: the
// show's picture as a DIB section, in which the show draws its picture (PictureShowDrawInto), so
// that each tick changes it only in the rectangles it returns, with no copy of its own.
struct Cover {
  HWND window;
  PictureShow show;
  bool showing;
  int32_t zoom;
  HDC memory;
  HBITMAP bitmap;
  HGDIOBJ previousBitmap;
};

HWND SaverWindow = nullptr;
Cover Covers[kMaxCovers] = {};
int CoverCount = 0;
bool ClassRegistered = false;
// The program's sheets in software, loaded with the first show and kept for the run.
SoftSheets Sheets;
bool SheetsLoaded = false;

struct MonitorList {
  RECT rects[kMaxCovers];
  HMONITOR handles[kMaxCovers];
  int count;
};

using GetMonitorInfoProc = BOOL(WINAPI*)(HMONITOR, LPMONITORINFO);
using EnumDisplayMonitorsProc = BOOL(WINAPI*)(HDC, LPCRECT, MONITORENUMPROC, LPARAM);
using GetDpiForMonitorProc = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);
GetMonitorInfoProc GetMonitorInfoFn = nullptr;

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  auto* list = reinterpret_cast<MonitorList*>(data);
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (!GetMonitorInfoFn(monitor, &info)) return TRUE;
  if (info.dwFlags & MONITORINFOF_PRIMARY) return TRUE;  // the saver window's own
  const RECT& rect = info.rcMonitor;
  if (rect.right <= rect.left || rect.bottom <= rect.top) return TRUE;
  list->rects[list->count] = rect;
  list->handles[list->count++] = monitor;
  return list->count < kMaxCovers;
}

// The zoom for a monitor: its own DPI's where the system tells it (Windows 8.1 on), else the
// zoom of the system DPI, `systemZoom`.
int32_t MonitorZoom(HMONITOR monitor, int32_t systemZoom) {
  static const HMODULE shcore = LoadLibraryA("shcore.dll");
  static const auto getDpi =
      shcore ? LibraryProc<GetDpiForMonitorProc>(shcore, "GetDpiForMonitor") : nullptr;
  UINT dpiX = 0, dpiY = 0;
  constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
  if (getDpi != nullptr && getDpi(monitor, kEffectiveDpi, &dpiX, &dpiY) == S_OK && dpiX > 0) {
    return ZoomForDpi(static_cast<int32_t>(dpiX));
  }
  return systemZoom;
}

Cover* CoverOf(HWND window) {
  for (int i = 0; i < CoverCount; ++i) {
    if (Covers[i].window == window) return &Covers[i];
  }
  return nullptr;
}

// Puts rectangles of the DIB section on the window, each picture pixel a zoom x zoom block.
void Present(Cover& cover, HDC target, const SoftRect* rects, int count) {
  for (int i = 0; i < count; ++i) {
    const SoftRect& r = rects[i];
    GfxBlitZoomed(target, r.x, r.y, r.width, r.height, cover.memory, r.x, r.y, cover.zoom);
  }
}

void StopCover(Cover& cover) {
  if (cover.memory != nullptr) {
    SelectObject(cover.memory, cover.previousBitmap);
    DeleteDC(cover.memory);
  }
  PictureShowStop(cover.show);  // before the bitmap: it keeps its picture there
  if (cover.bitmap != nullptr) DeleteObject(cover.bitmap);
  cover.memory = nullptr;
  cover.bitmap = nullptr;
  cover.previousBitmap = nullptr;
  cover.showing = false;
}

// Sets up a show for a monitor of width x height window pixels; false leaves the cover black.
bool StartShow(Cover& cover, HMONITOR monitor, int32_t width, int32_t height, uint32_t seed,
               int32_t systemZoom) {
  if (!SheetsLoaded) SheetsLoaded = SoftLoadProgramSheets(Sheets, GfxImageResource);
  if (!SheetsLoaded) return false;
  cover.zoom = ZoomToFit(width, height, MonitorZoom(monitor, systemZoom), kMaxImagePixels);
  const int32_t pictureWidth = PictureLength(width, cover.zoom);
  const int32_t pictureHeight = PictureLength(height, cover.zoom);
  if (!PictureShowStart(cover.show, Sheets, pictureWidth, pictureHeight, seed)) return false;
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = pictureWidth;
  info.bmiHeader.biHeight = -pictureHeight;  // top row first, as the picture
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  cover.bitmap = CreateDIBSection(nullptr, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  cover.memory = cover.bitmap ? CreateCompatibleDC(nullptr) : nullptr;
  if (cover.memory == nullptr) {
    StopCover(cover);
    return false;
  }
  cover.previousBitmap = SelectObject(cover.memory, cover.bitmap);
  // 32-bit rows have no padding. The move writes every page of the bits now, rather than the
  // ticks faulting them in.
  if (!PictureShowDrawInto(cover.show, static_cast<uint32_t*>(bits), size_t(pictureWidth))) {
    StopCover(cover);
    return false;
  }
  cover.showing = true;
  return true;
}

// The saver's exit input, forwarded so that the saver window applies its own rules: it reads
// the cursor from the system, not from the message, and runs the password path.
LRESULT CALLBACK CoverWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (IsSaverExitInput(message)) {
    if (SaverWindow != nullptr && IsWindow(SaverWindow))
      SendMessageA(SaverWindow, message, wParam, lParam);
    return 0;
  }
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(window, &paint);
      Cover* cover = CoverOf(window);
      if (cover != nullptr && cover->showing) {
        // The picture pixels that cover the uncovered window pixels, within the picture.
        const SoftPicture& picture = cover->show.picture;
        const RECT r = GfxPictureRectOfPaint(paint.rcPaint, cover->zoom);
        SpriteRect area = {r.left, r.top, r.left, r.top, r.right - r.left, r.bottom - r.top};
        if (ClipSpriteRect(area, picture.width, picture.height)) {
          GfxBlitZoomed(dc, area.x, area.y, area.width, area.height, cover->memory, area.x, area.y,
                        cover->zoom);
        }
      }
      EndPaint(window, &paint);
      return 0;
    }
    case WM_DESTROY:
      if (Cover* cover = CoverOf(window)) cover->window = nullptr;
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

int MonitorWindowsCreate(HWND saver, bool withShows, uint32_t seed, int32_t systemZoom) {
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
    const int32_t width = rect.right - rect.left, height = rect.bottom - rect.top;
    Cover& cover = Covers[CoverCount];
    // The show first, so that the window's first paint finds it.
    if (withShows) {
      StartShow(cover, list.handles[i], width, height, seed + 1 + uint32_t(i), systemZoom);
    }
    cover.window =
        CreateWindowExA(WS_EX_TOPMOST, kCoverClass, "", WS_POPUP | WS_VISIBLE, rect.left, rect.top,
                        width, height, nullptr, nullptr, ProgramInstance, nullptr);
    if (cover.window != nullptr) {
      ++CoverCount;
    } else {
      StopCover(cover);
    }
  }
  return CoverCount;
}

void MonitorWindowsTick() {
  if (CoverCount == 0) return;
  SoftRect changed[kDrawListSlots];
  // The last tick's blits read the bits this tick writes; this tick's blits read only bits that
  // are already drawn.
  GdiFlush();
  for (int i = 0; i < CoverCount; ++i) {
    Cover& cover = Covers[i];
    if (!cover.showing || cover.window == nullptr) continue;
    const int count = PictureShowTick(cover.show, changed);
    if (count == 0) continue;
    const HDC dc = GetDC(cover.window);
    if (dc == nullptr) continue;
    Present(cover, dc, changed, count);
    ReleaseDC(cover.window, dc);
  }
}

void MonitorWindowsDestroy() {
  for (int i = 0; i < CoverCount; ++i) {
    Cover& cover = Covers[i];
    const HWND window = cover.window;
    cover.window = nullptr;
    if (window != nullptr) DestroyWindow(window);
    StopCover(cover);
  }
  CoverCount = 0;
  SaverWindow = nullptr;
}
