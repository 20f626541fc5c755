#include "windows/app/monitor_windows.h"

#include <new>

#include "show/image_decode.h"
#include "show/picture_show.h"
#include "show/zoom.h"
#include "windows/app/library_proc.h"
#include "windows/app/saver_window.h"
#include "windows/app/startup.h"
#include "windows/gdi/image.h"
#include "windows/gdi/zoom_blit.h"

namespace {

constexpr char kCoverClass[] = "QV3MON";

using GetMonitorInfoProc = BOOL(WINAPI*)(HMONITOR, LPMONITORINFO);
using EnumDisplayMonitorsProc = BOOL(WINAPI*)(HDC, LPCRECT, MONITORENUMPROC, LPARAM);
using GetDpiForMonitorProc = HRESULT(WINAPI*)(HMONITOR, int, UINT*, UINT*);

struct MonitorEntry {
  RECT rect;
  HMONITOR handle;
};

// The monitors found, at most `capacity`, and the function that tells about each; `count` goes
// on counting past the capacity, so that a first pass with no room tells how many there are.
struct MonitorList {
  MonitorEntry* entries;
  int capacity;
  int count;
  GetMonitorInfoProc getInfo;
};

BOOL CALLBACK CollectMonitor(HMONITOR monitor, HDC, LPRECT, LPARAM data) {
  auto* list = reinterpret_cast<MonitorList*>(data);
  MONITORINFO info = {};
  info.cbSize = sizeof info;
  if (!list->getInfo(monitor, &info)) return TRUE;
  if (info.dwFlags & MONITORINFOF_PRIMARY) return TRUE;  // the saver window's own
  const RECT& rect = info.rcMonitor;
  if (rect.right <= rect.left || rect.bottom <= rect.top) return TRUE;
  if (list->count < list->capacity) list->entries[list->count] = {rect, monitor};
  ++list->count;
  return TRUE;
}

// Makes room for `count` covers, keeping none of the old ones (the caller has destroyed them).
bool ReserveCovers(MonitorWindows& monitors, int count) {
  if (count <= monitors.capacity) return true;
  MonitorCover* grown = new (std::nothrow) MonitorCover[count]();
  if (grown == nullptr) return false;
  delete[] monitors.covers;
  monitors.covers = grown;
  monitors.capacity = count;
  return true;
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

MonitorCover* CoverOf(HWND window) {
  return reinterpret_cast<MonitorCover*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

// Puts rectangles of the DIB section on the window, each picture pixel a zoom x zoom block.
void Present(MonitorCover& cover, HDC target, const SoftRect* rects, int count) {
  for (int i = 0; i < count; ++i) {
    const SoftRect& r = rects[i];
    GfxBlitZoomed(target, r.x, r.y, r.width, r.height, cover.memory, r.x, r.y, cover.zoom);
  }
}

void StopCover(MonitorCover& cover) {
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
bool StartShow(MonitorWindows& monitors, MonitorCover& cover, HMONITOR monitor, int32_t width,
               int32_t height, uint32_t seed, int32_t systemZoom) {
  if (!monitors.sheetsLoaded)
    monitors.sheetsLoaded = SoftLoadProgramSheets(monitors.sheets, GfxImageResource);
  if (!monitors.sheetsLoaded) return false;
  cover.zoom = ZoomToFit(width, height, MonitorZoom(monitor, systemZoom), kMaxImagePixels);
  const int32_t pictureWidth = PictureLength(width, cover.zoom);
  const int32_t pictureHeight = PictureLength(height, cover.zoom);
  if (!PictureShowStart(cover.show, monitors.sheets, pictureWidth, pictureHeight, seed))
    return false;
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
  // The cover comes with the first message that carries the creation parameter.
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
    SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(create->lpCreateParams));
  }
  if (IsSaverExitInput(message)) {
    const MonitorCover* cover = CoverOf(window);
    if (cover != nullptr && cover->saver != nullptr && IsWindow(cover->saver))
      SendMessageA(cover->saver, message, wParam, lParam);
    return 0;
  }
  switch (message) {
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(window, &paint);
      MonitorCover* cover = CoverOf(window);
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
    case WM_CLOSE:
      // A cover ends only with the saver: a close request from elsewhere would leave its
      // monitor bare while the saver goes on.
      return 0;
    case WM_DESTROY:
      if (MonitorCover* cover = CoverOf(window)) cover->window = nullptr;
      return 0;
    case WM_NCDESTROY:
      SetWindowLongPtrA(window, GWLP_USERDATA, 0);
      return DefWindowProcA(window, message, wParam, lParam);
    default:
      return DefWindowProcA(window, message, wParam, lParam);
  }
}

// The class outlives every saver window: a class already registered is taken as it is.
bool RegisterCoverClass() {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = CoverWndProc;
  windowClass.hInstance = ProgramInstance;
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = kCoverClass;
  return RegisterClassA(&windowClass) != 0 || GetLastError() == ERROR_CLASS_ALREADY_EXISTS;
}

// Destroys the windows and stops their shows; the sheets stay for the next set.
void DestroyCovers(MonitorWindows& monitors) {
  for (int i = 0; i < monitors.count; ++i) {
    MonitorCover& cover = monitors.covers[i];
    const HWND window = cover.window;
    cover.window = nullptr;
    if (window != nullptr) DestroyWindow(window);
    StopCover(cover);
  }
  monitors.count = 0;
}

}  // namespace

int MonitorWindowsCreate(MonitorWindows& monitors, HWND saver, bool withShows, uint32_t seed,
                         int32_t systemZoom) {
  DestroyCovers(monitors);
  // Looked up at run time: systems without several monitors lack these functions.
  const HMODULE user32 = GetModuleHandleA("user32.dll");
  if (user32 == nullptr) return 0;
  const auto enumMonitors = LibraryProc<EnumDisplayMonitorsProc>(user32, "EnumDisplayMonitors");
  MonitorList list = {nullptr, 0, 0, nullptr};
  list.getInfo = LibraryProc<GetMonitorInfoProc>(user32, "GetMonitorInfoA");
  if (enumMonitors == nullptr || list.getInfo == nullptr) return 0;
  enumMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&list));
  if (list.count == 0 || !RegisterCoverClass()) return 0;
  MonitorEntry* entries = new (std::nothrow) MonitorEntry[list.count];
  if (entries == nullptr) return 0;
  list.entries = entries;
  list.capacity = list.count;
  list.count = 0;
  enumMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&list));
  // A monitor plugged in between the passes waits for its WM_DISPLAYCHANGE.
  if (list.count > list.capacity) list.count = list.capacity;
  if (!ReserveCovers(monitors, list.count)) {
    delete[] entries;
    return 0;
  }
  for (int i = 0; i < list.count; ++i) {
    const RECT& rect = entries[i].rect;
    const int32_t width = rect.right - rect.left, height = rect.bottom - rect.top;
    MonitorCover& cover = monitors.covers[monitors.count];
    cover.saver = saver;
    // The show first, so that the window's first paint finds it.
    if (withShows) {
      StartShow(monitors, cover, entries[i].handle, width, height, seed + 1 + uint32_t(i),
                systemZoom);
    }
    cover.window =
        CreateWindowExA(WS_EX_TOPMOST, kCoverClass, "", WS_POPUP | WS_VISIBLE, rect.left, rect.top,
                        width, height, nullptr, nullptr, ProgramInstance, &cover);
    if (cover.window != nullptr) {
      ++monitors.count;
    } else {
      StopCover(cover);
    }
  }
  delete[] entries;
  return monitors.count;
}

void MonitorWindowsTick(MonitorWindows& monitors) {
  if (monitors.count == 0) return;
  SoftRect changed[kDrawListSlots];
  // The last tick's blits read the bits this tick writes; this tick's blits read only bits that
  // are already drawn.
  GdiFlush();
  for (int i = 0; i < monitors.count; ++i) {
    MonitorCover& cover = monitors.covers[i];
    if (!cover.showing || cover.window == nullptr) continue;
    const int count = PictureShowTick(cover.show, changed);
    if (count == 0) continue;
    const HDC dc = GetDC(cover.window);
    if (dc == nullptr) continue;
    Present(cover, dc, changed, count);
    ReleaseDC(cover.window, dc);
  }
}

void MonitorWindowsDestroy(MonitorWindows& monitors) {
  DestroyCovers(monitors);
  delete[] monitors.covers;
  monitors.covers = nullptr;
  monitors.capacity = 0;
  if (monitors.sheetsLoaded) SoftFreeSheets(monitors.sheets);
  monitors.sheetsLoaded = false;
}
