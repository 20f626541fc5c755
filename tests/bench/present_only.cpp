// The yardstick of the CPU benchmark: a full-screen, top-most window that copies a full-screen
// bitmap to itself every 100 ms, as a saver that presents its whole picture at every tick
// would, and does nothing else.
#include <windows.h>

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kPeriodMs = 100;

HBITMAP Picture = nullptr;
int Width = 0;
int Height = 0;

void Present(HWND window) {
  const HDC windowDC = GetDC(window);
  const HDC memory = CreateCompatibleDC(windowDC);
  const HGDIOBJ previous = SelectObject(memory, Picture);
  BitBlt(windowDC, 0, 0, Width, Height, memory, 0, 0, SRCCOPY);
  SelectObject(memory, previous);
  DeleteDC(memory);
  ReleaseDC(window, windowDC);
}

LRESULT CALLBACK PresentWndProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_TIMER:
      Present(window);
      return 0;
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    default:
      return DefWindowProcA(window, message, w, l);
  }
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
  Width = GetSystemMetrics(SM_CXSCREEN);
  Height = GetSystemMetrics(SM_CYSCREEN);
  const HDC screen = GetDC(nullptr);
  Picture = CreateCompatibleBitmap(screen, Width, Height);
  ReleaseDC(nullptr, screen);
  if (!Picture) return 1;
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = PresentWndProc;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = "PresentOnly";
  RegisterClassA(&windowClass);
  const HWND window =
      CreateWindowExA(WS_EX_TOPMOST, "PresentOnly", "PresentOnly", WS_POPUP | WS_VISIBLE, 0, 0,
                      Width, Height, nullptr, nullptr, instance, nullptr);
  if (!window || !SetTimer(window, kTimerId, kPeriodMs, nullptr)) return 1;
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  DeleteObject(Picture);
  return 0;
}
