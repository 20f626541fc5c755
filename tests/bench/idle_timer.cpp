// The floor of the CPU benchmark: a full-screen, top-most window with the saver's 100 ms timer
// that draws nothing, so that what a tick costs Wine and the X server without any drawing
// shows by itself.
#include <windows.h>

namespace {

constexpr UINT_PTR kTimerId = 1;
constexpr UINT kPeriodMs = 100;

LRESULT CALLBACK IdleWndProc(HWND window, UINT message, WPARAM w, LPARAM l) {
  switch (message) {
    case WM_TIMER:
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
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = IdleWndProc;
  windowClass.hInstance = instance;
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
  windowClass.lpszClassName = "IdleTimer";
  RegisterClassA(&windowClass);
  const HWND window =
      CreateWindowExA(WS_EX_TOPMOST, "IdleTimer", "IdleTimer", WS_POPUP | WS_VISIBLE, 0, 0,
                      GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN), nullptr,
                      nullptr, instance, nullptr);
  if (!window || !SetTimer(window, kTimerId, kPeriodMs, nullptr)) return 1;
  MSG message;
  while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
  return 0;
}
