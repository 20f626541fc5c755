// Times GfxRenderFrame on a full-screen window against the bare present (one full-screen
// SRCCOPY of the WorkBuffer to the window), then draws 10,000 frames (and 20,000 more with
// sprites crossing the edges) and prints the process's memory and GDI object count. Run by
// scripts/bench on a 1920x1080 and a 3840x2160 screen.
#include <windows.h>
// psapi.h needs windows.h first.
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "show/runstate.h"
#include "tests/support/draw_entry.h"
#include "tests/support/message_pump.h"
#include "windows/gdi/compositor.h"
#include "windows/gdi/graphics.h"

namespace {

// The drawing state the compositor draws with.
Graphics TheGraphics;

constexpr int kSheetSize = 600;
constexpr int kSpriteW = 150;
constexpr int kSpriteH = 200;
constexpr int kTimedFrames = 300;
constexpr int kLeakFrames = 10000;
constexpr int kDitherLevel = 4;

struct Memory {
  SIZE_T commitBytes;
  SIZE_T workingSet;
  DWORD gdiObjects;
  DWORD userObjects;
};

Memory Measure() {
  PROCESS_MEMORY_COUNTERS_EX counters = {};
  counters.cb = sizeof counters;
  GetProcessMemoryInfo(GetCurrentProcess(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                       sizeof counters);
  return {counters.PagefileUsage, counters.WorkingSetSize,
          GetGuiResources(GetCurrentProcess(), GR_GDIOBJECTS),
          GetGuiResources(GetCurrentProcess(), GR_USEROBJECTS)};
}

// A 600x600 sheet of twelve 150x200 sprites: ellipses with a hole, in bands of colour.
SpriteSheet MakeSheet(HDC screen) {
  std::vector<DWORD> image(kSheetSize * kSheetSize), mask(kSheetSize * kSheetSize);
  for (int y = 0; y < kSheetSize; ++y) {
    for (int x = 0; x < kSheetSize; ++x) {
      const double dx = (x % kSpriteW - kSpriteW / 2) / double(kSpriteW / 2);
      const double dy = (y % kSpriteH - kSpriteH / 2) / double(kSpriteH / 2);
      const double r = dx * dx + dy * dy;
      const bool inShape = r < 0.95 && r > 0.08;
      const size_t i = size_t(y) * kSheetSize + x;
      mask[i] = inShape ? 0x000000 : 0xFFFFFF;
      image[i] = inShape ? 0x203040 + ((x / 7 + y / 5) % 8) * 0x1C1410 : 0;
    }
  }
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = kSheetSize;
  info.bmiHeader.biHeight = -kSheetSize;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  SpriteSheet sheet = {CreateCompatibleBitmap(screen, kSheetSize, kSheetSize),
                       CreateCompatibleBitmap(screen, kSheetSize, kSheetSize)};
  SetDIBits(screen, sheet.image, 0, kSheetSize, image.data(), &info, DIB_RGB_COLORS);
  SetDIBits(screen, sheet.mask, 0, kSheetSize, mask.data(), &info, DIB_RGB_COLORS);
  return sheet;
}

DrawEntry Sprite(uint8_t kind, int level, int x, int y, int sprite) {
  return MakeDrawEntry(kind, level, x, y, sprite % 4 * kSpriteW, sprite / 4 * kSpriteH, kSpriteW,
                       kSpriteH);
}

// A tick of the animation: three sprites restored where they were, three drawn where they
// are now, with `level` for the drawn ones. Positions move with `frame`; with `crossEdges`
// some sprites cross an edge of the screen (and their temporary bitmaps shrink), without it
// every sprite stays wholly on the screen.
const DrawEntry* BuildList(int frame, int level, bool crossEdges = true) {
  std::vector<DrawEntry> list;
  for (int i = 0; i < 3; ++i) {
    int x = (frame * 7 + i * 700) % (TheGraphics.OutputSize.width + kSpriteW) - kSpriteW / 2;
    int y = (frame * 3 + i * 330) % (TheGraphics.OutputSize.height + kSpriteH) - kSpriteH / 2;
    if (!crossEdges) {
      x = 8 + (frame * 7 + i * 700) % (TheGraphics.OutputSize.width - kSpriteW - 16);
      y = 8 + (frame * 3 + i * 330) % (TheGraphics.OutputSize.height - kSpriteH - 16);
    }
    list.push_back(Sprite(DRAW_RESTORE, 0, x - 7, y - 3, i));
    list.push_back(Sprite(DRAW_MASKED, level, x, y, i + 4));
  }
  return DrawListFill(list);
}

double Milliseconds(LARGE_INTEGER from, LARGE_INTEGER to) {
  static LARGE_INTEGER frequency = {};
  if (!frequency.QuadPart) QueryPerformanceFrequency(&frequency);
  return double(to.QuadPart - from.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

double Median(std::vector<double> values) {
  std::sort(values.begin(), values.end());
  return values[values.size() / 2];
}

// Both sides are timed until their pixels reach the display: under Wine a window's drawing is
// handed to the X server when the thread looks at an empty message queue.
void HandOver() { GetQueueStatus(QS_ALLINPUT); }

double TimeFrame(HWND window, int frame, int level) {
  const DrawEntry* list = BuildList(frame, level);
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  GfxRenderFrame(TheGraphics, window, list, 1);
  HandOver();
  QueryPerformanceCounter(&end);
  return Milliseconds(start, end);
}

// The window DC taken and given back, a full-screen bitmap selected, one full-screen copy. (The
// WorkBuffer itself stays selected in the compositor's device context.)
double TimeBarePresent(HWND window, HBITMAP picture) {
  LARGE_INTEGER start, end;
  QueryPerformanceCounter(&start);
  const HDC windowDC = GetDC(window);
  const HDC memory = CreateCompatibleDC(windowDC);
  const HGDIOBJ previous = SelectObject(memory, picture);
  BitBlt(windowDC, 0, 0, TheGraphics.OutputSize.width, TheGraphics.OutputSize.height, memory, 0, 0,
         SRCCOPY);
  SelectObject(memory, previous);
  DeleteDC(memory);
  ReleaseDC(window, windowDC);
  HandOver();
  QueryPerformanceCounter(&end);
  return Milliseconds(start, end);
}

LRESULT CALLBACK PlainWindowProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  return DefWindowProcA(window, message, w, l);
}

}  // namespace

int main(int argc, char** argv) {
  // With --timing-only the memory run is left out.
  const bool timingOnly = argc > 1 && std::strcmp(argv[1], "--timing-only") == 0;
  TheGraphics.OutputSize = {GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = PlainWindowProc;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.lpszClassName = "CompositorBench";
  RegisterClassA(&windowClass);
  const HWND window =
      CreateWindowExA(WS_EX_TOPMOST, "CompositorBench", "", WS_POPUP | WS_VISIBLE, 0, 0,
                      TheGraphics.OutputSize.width, TheGraphics.OutputSize.height, nullptr, nullptr,
                      windowClass.hInstance, nullptr);
  PumpMessages(0);

  const HDC screen = GetDC(nullptr);
  for (SpriteSheet& sheet : TheGraphics.SpriteSheets) sheet = MakeSheet(screen);
  GfxCreatePatterns(TheGraphics);
  if (!GfxCreateBuffers(TheGraphics, screen)) {
    std::printf("could not create the buffers\n");
    return 1;
  }
  const HBITMAP picture =
      CreateCompatibleBitmap(screen, TheGraphics.OutputSize.width, TheGraphics.OutputSize.height);
  ReleaseDC(nullptr, screen);

  std::printf("screen %dx%d, sprites %dx%d from a %dx%d sheet, median of %d frames\n",
              TheGraphics.OutputSize.width, TheGraphics.OutputSize.height, kSpriteW, kSpriteH,
              kSheetSize, kSheetSize, kTimedFrames);
  // The three are taken in turn so that each sees the same load on the machine.
  std::vector<double> present, full, dithered;
  for (int frame = 0; frame < kTimedFrames + 20; ++frame) {
    const double p = TimeBarePresent(window, picture);
    PumpMessages(0);
    const double f = TimeFrame(window, frame, 0);
    PumpMessages(0);
    const double d = TimeFrame(window, frame, kDitherLevel);
    PumpMessages(0);
    if (frame < 20) continue;  // warm-up
    present.push_back(p);
    full.push_back(f);
    dithered.push_back(d);
  }
  const double presentMs = Median(present);
  std::printf("bare present                         %8.3f ms\n", presentMs);
  std::printf("frame, 3 restore + 3 masked          %8.3f ms  ratio %.2f\n", Median(full),
              Median(full) / presentMs);
  std::printf("frame, 3 restore + 3 dithered (L%d)   %8.3f ms  ratio %.2f\n", kDitherLevel,
              Median(dithered), Median(dithered) / presentMs);
  std::printf("RESULT present=%.4f frame=%.4f dithered=%.4f\n", presentMs, Median(full),
              Median(dithered));
  std::fflush(stdout);
  if (timingOnly) return 0;

  // 10,000 frames with every sprite on the screen, then 10,000 with sprites crossing the
  // edges, twice over. Nothing may grow in the first run. Clipped temporary bitmaps come in
  // many sizes, and the heap may keep a few more pages for them.
  Memory reading[4] = {Measure()};
  for (int run = 1; run <= 3; ++run) {
    for (int frame = 0; frame < kLeakFrames; ++frame) {
      GfxRenderFrame(TheGraphics, window, BuildList(frame, frame % 9, run > 1), 1);
      if (frame % 64 == 0) PumpMessages(0);
    }
    reading[run] = Measure();
  }
  std::printf(
      "memory at start / after %d frames on the screen / after %d crossing the edges "
      "/ after the same again:\n",
      kLeakFrames, kLeakFrames);
  std::printf("  committed bytes %zu / %zu / %zu / %zu\n", size_t(reading[0].commitBytes),
              size_t(reading[1].commitBytes), size_t(reading[2].commitBytes),
              size_t(reading[3].commitBytes));
  std::printf("  working set     %zu / %zu / %zu / %zu\n", size_t(reading[0].workingSet),
              size_t(reading[1].workingSet), size_t(reading[2].workingSet),
              size_t(reading[3].workingSet));
  std::printf("  GDI objects     %lu / %lu / %lu / %lu%s\n",
              static_cast<unsigned long>(reading[0].gdiObjects),
              static_cast<unsigned long>(reading[1].gdiObjects),
              static_cast<unsigned long>(reading[2].gdiObjects),
              static_cast<unsigned long>(reading[3].gdiObjects),
              reading[0].gdiObjects ? "" : " (GetGuiResources answers 0 under Wine)");
  std::printf("  USER objects    %lu / %lu / %lu / %lu\n",
              static_cast<unsigned long>(reading[0].userObjects),
              static_cast<unsigned long>(reading[1].userObjects),
              static_cast<unsigned long>(reading[2].userObjects),
              static_cast<unsigned long>(reading[3].userObjects));
  bool grew = reading[1].commitBytes > reading[0].commitBytes ||
              reading[1].workingSet > reading[0].workingSet;
  for (int run = 1; run <= 3; ++run) {
    grew = grew || reading[run].gdiObjects > reading[run - 1].gdiObjects ||
           reading[run].userObjects > reading[run - 1].userObjects;
  }
  std::printf("%s\n", grew ? "GREW" : "nothing grew");
  std::fflush(stdout);

  GfxReleaseDrawingContexts(TheGraphics);
  DeleteObject(picture);
  for (SpriteSheet& sheet : TheGraphics.SpriteSheets) {
    DeleteObject(sheet.image);
    DeleteObject(sheet.mask);
  }
  for (HBITMAP pattern : TheGraphics.DitherPatterns) DeleteObject(pattern);
  DeleteObject(TheGraphics.BackgroundBuffer);
  DeleteObject(TheGraphics.WorkBuffer);
  DestroyWindow(window);
  return grew ? 1 : 0;
}
