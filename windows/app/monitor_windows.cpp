#include "windows/app/monitor_windows.h"

#include <new>

#include "windows/app/library_proc.h"
#include "windows/app/startup.h"
#include "windows/gdi/image.h"
#include "show/image_decode.h"
#include "show/picture_show.h"
#include "show/zoom.h"

namespace {

constexpr char kCoverClass[] = "QV3MON";

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
// As many covers as there are other monitors, however many: the block grows when a call finds
// more monitors than it holds.
Cover* Covers = nullptr;
int CoverCapacity = 0;
int CoverCount = 0;
bool ClassRegistered = false;
// The program's sheets in software, loaded with the first show and kept for the run.
SoftSheets Sheets;
bool SheetsLoaded = false;

struct MonitorEntry {
  RECT rect;
  HMONITOR handle;
};

// The monitors found, at most `capacity`; `count` goes on counting past it, so that a first
// pass with no room tells how many there are.
struct MonitorList {
  MonitorEntry* entries;
  int capacity;
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
  if (list->count < list->capacity) list->entries[list->count] = {rect, monitor};
  ++list->count;
  return TRUE;
}

// Makes room for `count` covers, keeping none of the old ones (the caller has destroyed them).
bool ReserveCovers(int count) {
  if (count <= CoverCapacity) return true;
  Cover* grown = new (std::nothrow) Cover[count]();
  if (grown == nullptr) return false;
  delete[] Covers;
  Covers = grown;
  CoverCapacity = count;
  return true;
}

// The zoom for a monitor: its own DPI's where the system tells it (Windows 8.1 on), else the
// zoom of the system DPI that start-up read.
int32_t MonitorZoom(HMONITOR monitor) {
  static const HMODULE shcore = LoadLibraryA("shcore.dll");
  static const auto getDpi =
      shcore ? LibraryProc<GetDpiForMonitorProc>(shcore, "GetDpiForMonitor") : nullptr;
  UINT dpiX = 0, dpiY = 0;
  constexpr int kEffectiveDpi = 0;  // MDT_EFFECTIVE_DPI
  if (getDpi != nullptr && getDpi(monitor, kEffectiveDpi, &dpiX, &dpiY) == S_OK && dpiX > 0) {
    return ZoomForDpi(static_cast<int32_t>(dpiX));
  }
  return ScreenZoom;
}

Cover* CoverOf(HWND window) {
  for (int i = 0; i < CoverCount; ++i) {
    if (Covers[i].window == window) return &Covers[i];
  }
  return nullptr;
}

// Puts rectangles of the DIB section on the window, each picture pixel a zoom x zoom block.
void Present(Cover& cover, HDC target, const SoftRect* rects, int count) {
  const int32_t zoom = cover.zoom;
  SetStretchBltMode(target, COLORONCOLOR);
  for (int i = 0; i < count; ++i) {
    const SoftRect& r = rects[i];
    StretchBlt(target, r.x * zoom, r.y * zoom, r.width * zoom, r.height * zoom, cover.memory, r.x,
               r.y, r.width, r.height, SRCCOPY);
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
bool StartShow(Cover& cover, HMONITOR monitor, int32_t width, int32_t height, uint32_t seed) {
  if (!SheetsLoaded) SheetsLoaded = SoftLoadProgramSheets(Sheets, GfxImageResource);
  if (!SheetsLoaded) return false;
  cover.zoom = ZoomToFit(width, height, MonitorZoom(monitor), kMaxImagePixels);
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
    case WM_PAINT: {
      PAINTSTRUCT paint;
      const HDC dc = BeginPaint(window, &paint);
      Cover* cover = CoverOf(window);
      if (cover != nullptr && cover->showing) {
        // The picture pixels that cover the uncovered window pixels, within the picture.
        const RECT& r = paint.rcPaint;
        const int32_t zoom = cover->zoom;
        const SoftPicture& picture = cover->show.picture;
        SoftRect area = {PictureOffset(r.left, zoom), PictureOffset(r.top, zoom), 0, 0};
        int32_t right = PictureOffset(r.right + zoom - 1, zoom);
        int32_t bottom = PictureOffset(r.bottom + zoom - 1, zoom);
        if (right > picture.width) right = picture.width;
        if (bottom > picture.height) bottom = picture.height;
        area.width = right - area.x;
        area.height = bottom - area.y;
        if (area.width > 0 && area.height > 0) {
          SetStretchBltMode(dc, COLORONCOLOR);
          StretchBlt(dc, area.x * zoom, area.y * zoom, area.width * zoom, area.height * zoom,
                     cover->memory, area.x, area.y, area.width, area.height, SRCCOPY);
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

int MonitorWindowsCreate(HWND saver, bool withShows, uint32_t seed) {
  MonitorWindowsDestroy();
  // Looked up at run time: systems without several monitors lack these functions.
  const HMODULE user32 = GetModuleHandleA("user32.dll");
  if (user32 == nullptr) return 0;
  const auto enumMonitors = LibraryProc<EnumDisplayMonitorsProc>(user32, "EnumDisplayMonitors");
  GetMonitorInfoFn = LibraryProc<GetMonitorInfoProc>(user32, "GetMonitorInfoA");
  if (enumMonitors == nullptr || GetMonitorInfoFn == nullptr) return 0;
  MonitorList list = {nullptr, 0, 0};
  enumMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&list));
  if (list.count == 0 || !RegisterCoverClass()) return 0;
  MonitorEntry* entries = new (std::nothrow) MonitorEntry[list.count];
  if (entries == nullptr) return 0;
  list = {entries, list.count, 0};
  enumMonitors(nullptr, nullptr, CollectMonitor, reinterpret_cast<LPARAM>(&list));
  // A monitor plugged in between the passes waits for its WM_DISPLAYCHANGE.
  if (list.count > list.capacity) list.count = list.capacity;
  if (!ReserveCovers(list.count)) {
    delete[] entries;
    return 0;
  }
  SaverWindow = saver;
  for (int i = 0; i < list.count; ++i) {
    const RECT& rect = entries[i].rect;
    const int32_t width = rect.right - rect.left, height = rect.bottom - rect.top;
    Cover& cover = Covers[CoverCount];
    // The show first, so that the window's first paint finds it.
    if (withShows) StartShow(cover, entries[i].handle, width, height, seed + 1 + uint32_t(i));
    cover.window =
        CreateWindowExA(WS_EX_TOPMOST, kCoverClass, "", WS_POPUP | WS_VISIBLE, rect.left, rect.top,
                        width, height, nullptr, nullptr, ProgramInstance, nullptr);
    if (cover.window != nullptr) {
      ++CoverCount;
    } else {
      StopCover(cover);
    }
  }
  delete[] entries;
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
