// A small Windows program that the end-to-end tests run under Wine to look at and host the
// saver's windows. Every command prints one line of key=value words and exits 0 on success.
//
//   find TITLE                 properties of the top-level window titled TITLE (exit 1: none)
//   count TITLE                how many top-level windows are titled TITLE
//   hold TITLE SECONDS         keeps a top-level window titled TITLE open for SECONDS
//   previewhost W H SCR HOLDMS starts "SCR /p HWND" in a W x H host window, reports the
//                              preview child, keeps it HOLDMS, destroys the host and reports
//                              whether the saver ended
//   findclass CLASS            properties of the top-level window of class CLASS, with the
//                              screen position of its client area, whether it is the
//                              foreground window and how many top-level windows have that
//                              class (exit 1: none)
//   boxtext TITLE              the text of the message box titled TITLE, as the hex digits of
//                              its UTF-8 bytes (exit 1: no such window)
//   foreground SCR ARGS...     makes a foreground window, starts "SCR ARGS" and reports whether
//                              the window was disabled while the saver ran, enabled and in the
//                              foreground afterwards
//   desktop                    the desktop window's handle, and the message-only windows' root
//   codepage                   the system's ANSI code page
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "tests/support/message_pump.h"

namespace {

void PrintWindow(const char* prefix, HWND window) {
  char className[64] = "", title[64] = "";
  GetClassNameA(window, className, sizeof className);
  GetWindowTextA(window, title, sizeof title);
  RECT rect, client;
  GetWindowRect(window, &rect);
  GetClientRect(window, &client);
  const LONG exStyle = GetWindowLongA(window, GWL_EXSTYLE);
  const LONG style = GetWindowLongA(window, GWL_STYLE);
  std::printf(
      "%shwnd=%lu class=%s title=%s x=%ld y=%ld w=%ld h=%ld cw=%ld ch=%ld topmost=%d child=%d "
      "visible=%d enabled=%d parent=%lu\n",
      prefix, static_cast<unsigned long>(reinterpret_cast<uintptr_t>(window)), className, title,
      rect.left, rect.top, rect.right - rect.left, rect.bottom - rect.top, client.right,
      client.bottom, (exStyle & WS_EX_TOPMOST) ? 1 : 0, (style & WS_CHILD) ? 1 : 0,
      IsWindowVisible(window) ? 1 : 0, IsWindowEnabled(window) ? 1 : 0,
      static_cast<unsigned long>(reinterpret_cast<uintptr_t>(GetParent(window))));
  std::fflush(stdout);
}

HWND MakeWindow(const char* title, int clientWidth, int clientHeight, DWORD style) {
  WNDCLASSA windowClass = {};
  windowClass.lpfnWndProc = DefWindowProcA;
  windowClass.hInstance = GetModuleHandleA(nullptr);
  windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(GRAY_BRUSH));
  windowClass.lpszClassName = "QV3TESTHOST";
  RegisterClassA(&windowClass);
  RECT rect = {0, 0, clientWidth, clientHeight};
  AdjustWindowRect(&rect, style, FALSE);
  HWND window =
      CreateWindowExA(0, "QV3TESTHOST", title, style | WS_VISIBLE, 40, 40, rect.right - rect.left,
                      rect.bottom - rect.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
  PumpMessages(200);
  return window;
}

bool StartProcess(const std::string& commandLine, PROCESS_INFORMATION* info) {
  STARTUPINFOA startup = {};
  startup.cb = sizeof startup;
  std::string line = commandLine;
  return CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, info) != 0;
}

std::string Quote(const char* path) { return std::string("\"") + path + "\""; }

int Find(const char* title) {
  HWND window = FindWindowA(nullptr, title);
  if (window == nullptr) return 1;
  PrintWindow("", window);
  return 0;
}

int FindClass(const char* className) {
  HWND window = FindWindowA(className, nullptr);
  if (window == nullptr) return 1;
  int count = 0;
  for (HWND other = nullptr;
       (other = FindWindowExA(nullptr, other, className, nullptr)) != nullptr;)
    ++count;
  POINT origin = {0, 0};
  ClientToScreen(window, &origin);
  char prefix[128];
  std::snprintf(prefix, sizeof prefix, "clientx=%ld clienty=%ld foreground=%d count=%d ", origin.x,
                origin.y, GetForegroundWindow() == window ? 1 : 0, count);
  PrintWindow(prefix, window);
  return 0;
}

struct TitleSearch {
  const char* title;
  int count;
};

BOOL CALLBACK CountTitle(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<TitleSearch*>(data);
  char text[64] = "";
  GetWindowTextA(window, text, sizeof text);
  if (std::strcmp(text, search->title) == 0) ++search->count;
  return TRUE;
}

int Count(const char* title) {
  TitleSearch search = {title, 0};
  EnumWindows(CountTitle, reinterpret_cast<LPARAM>(&search));
  std::printf("count=%d\n", search.count);
  return 0;
}

struct ClassSearch {
  const char* className;
  bool close;
  int count;
};

BOOL CALLBACK VisitClass(HWND window, LPARAM data) {
  auto* search = reinterpret_cast<ClassSearch*>(data);
  char name[64] = "";
  GetClassNameA(window, name, sizeof name);
  if (std::strcmp(name, search->className) != 0) return TRUE;
  ++search->count;
  if (search->close) PostMessageA(window, WM_CLOSE, 0, 0);
  return TRUE;
}

// Counts the top-level windows of a class; with `close`, asks each to close (WM_CLOSE), as a
// task manager or another program may.
int VisitClassWindows(const char* className, bool close) {
  ClassSearch search = {className, close, 0};
  EnumWindows(VisitClass, reinterpret_cast<LPARAM>(&search));
  std::printf("count=%d\n", search.count);
  return 0;
}

// Holds a named mutex, as a running setup program does, for `seconds`.
int HoldMutex(const char* name, int seconds) {
  const HANDLE mutex = CreateMutexA(nullptr, TRUE, name);
  if (mutex == nullptr) return 1;
  std::printf("ready=1\n");
  std::fflush(stdout);
  Sleep(static_cast<DWORD>(seconds) * 1000);
  CloseHandle(mutex);
  return 0;
}

int Hold(const char* title, int seconds) {
  HWND window = MakeWindow(title, 120, 80, WS_OVERLAPPEDWINDOW);
  if (window == nullptr) return 1;
  std::printf("ready=1\n");
  std::fflush(stdout);
  PumpMessages(static_cast<DWORD>(seconds) * 1000);
  DestroyWindow(window);
  return 0;
}

int PreviewHost(int width, int height, const char* saver, DWORD holdMs) {
  HWND host = MakeWindow("QV3 preview host", width, height, WS_OVERLAPPED | WS_CAPTION);
  if (host == nullptr) return 1;
  char line[64];
  std::snprintf(line, sizeof line, " /p %lu",
                static_cast<unsigned long>(reinterpret_cast<uintptr_t>(host)));
  PROCESS_INFORMATION info = {};
  if (!StartProcess(Quote(saver) + line, &info)) return 1;
  HWND child = nullptr;
  for (int i = 0; i < 150 && child == nullptr; ++i) {
    PumpMessages(100, info.hProcess);
    child = FindWindowExA(host, nullptr, nullptr, "SSPREVIEW");
  }
  if (child == nullptr) {
    DWORD code = 0;
    GetExitCodeProcess(info.hProcess, &code);
    std::printf("child=none exited=%d\n", WaitForSingleObject(info.hProcess, 0) == 0 ? 1 : 0);
    TerminateProcess(info.hProcess, 1);
    return 1;
  }
  RECT hostClient = {};
  GetClientRect(host, &hostClient);
  char prefix[64];
  std::snprintf(prefix, sizeof prefix, "preview hostcw=%ld hostch=%ld ", hostClient.right,
                hostClient.bottom);
  PrintWindow(prefix, child);
  std::printf("holding=1\n");
  std::fflush(stdout);
  PumpMessages(holdMs, info.hProcess);
  const int alive = WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT;
  std::printf("alive_after_hold=%d\n", alive);
  DestroyWindow(host);
  const DWORD start = GetTickCount();
  PumpMessages(10000, info.hProcess);
  const int ended = WaitForSingleObject(info.hProcess, 0) == WAIT_OBJECT_0;
  DWORD code = 1;
  GetExitCodeProcess(info.hProcess, &code);
  std::printf("ended=%d exit=%lu ms=%lu\n", ended, code, GetTickCount() - start);
  if (!ended) TerminateProcess(info.hProcess, 1);
  return 0;
}

int Foreground(int argc, char** argv) {
  HWND window = MakeWindow("QV3 parent", 200, 100, WS_OVERLAPPEDWINDOW);
  SetForegroundWindow(window);
  PumpMessages(300);
  std::string line = Quote(argv[0]);
  for (int i = 1; i < argc; ++i) line += std::string(" ") + argv[i];
  PROCESS_INFORMATION info = {};
  if (!StartProcess(line, &info)) return 1;
  int sawDisabled = 0;
  const DWORD start = GetTickCount();
  while (WaitForSingleObject(info.hProcess, 0) == WAIT_TIMEOUT && GetTickCount() - start < 60000) {
    PumpMessages(100, info.hProcess);
    if (!IsWindowEnabled(window)) sawDisabled = 1;
  }
  PumpMessages(500);
  std::printf("disabled_while_running=%d enabled_after=%d foreground_after=%d\n", sawDisabled,
              IsWindowEnabled(window) ? 1 : 0, GetForegroundWindow() == window ? 1 : 0);
  return 0;
}

int Desktop() {
  HWND messageOnly = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
  const HWND messageRoot = messageOnly ? GetAncestor(messageOnly, GA_PARENT) : nullptr;
  std::printf("desktop=%lu messageroot=%lu\n",
              static_cast<unsigned long>(reinterpret_cast<uintptr_t>(GetDesktopWindow())),
              static_cast<unsigned long>(reinterpret_cast<uintptr_t>(messageRoot)));
  if (messageOnly) DestroyWindow(messageOnly);
  return 0;
}

BOOL CALLBACK FindBoxText(HWND child, LPARAM data) {
  wchar_t className[16] = L"", text[256] = L"";
  GetClassNameW(child, className, 16);
  if (lstrcmpiW(className, L"Static") != 0 || GetWindowTextW(child, text, 256) == 0) return TRUE;
  char utf8[1024] = "";
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8, sizeof utf8, nullptr, nullptr);
  for (const char* c = utf8; *c != '\0'; ++c)
    *reinterpret_cast<std::string*>(data) += [](unsigned char byte) {
      char hex[3];
      std::snprintf(hex, sizeof hex, "%02x", byte);
      return std::string(hex);
    }(static_cast<unsigned char>(*c));
  return FALSE;
}

int BoxText(const char* title) {
  HWND box = FindWindowA(nullptr, title);
  if (box == nullptr) return 1;
  std::string hex;
  EnumChildWindows(box, FindBoxText, reinterpret_cast<LPARAM>(&hex));
  std::printf("text=%s\n", hex.c_str());
  return 0;
}

BOOL CALLBACK PrintMonitor(HMONITOR, HDC, LPRECT rect, LPARAM) {
  std::printf("monitor x=%ld y=%ld w=%ld h=%ld\n", rect->left, rect->top, rect->right - rect->left,
              rect->bottom - rect->top);
  return TRUE;
}

// The monitors as the system lists them now, one line each.
int Monitors() {
  EnumDisplayMonitors(nullptr, nullptr, PrintMonitor, 0);
  return 0;
}

// Makes the system read its displays afresh, as after a monitor was plugged in or out, and tell
// every top-level window with WM_DISPLAYCHANGE.
int DisplayChange() {
  const LONG result = ChangeDisplaySettingsExA(nullptr, nullptr, nullptr, 0, nullptr);
  std::printf("result=%ld\n", result);
  return result == DISP_CHANGE_SUCCESSFUL ? 0 : 1;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc >= 2 && std::strcmp(argv[1], "monitors") == 0) return Monitors();
  if (argc >= 2 && std::strcmp(argv[1], "displaychange") == 0) return DisplayChange();
  if (argc >= 3 && std::strcmp(argv[1], "find") == 0) return Find(argv[2]);
  if (argc >= 3 && std::strcmp(argv[1], "findclass") == 0) return FindClass(argv[2]);
  if (argc >= 3 && std::strcmp(argv[1], "count") == 0) return Count(argv[2]);
  if (argc >= 3 && std::strcmp(argv[1], "countclass") == 0)
    return VisitClassWindows(argv[2], false);
  if (argc >= 3 && std::strcmp(argv[1], "closeclass") == 0) return VisitClassWindows(argv[2], true);
  if (argc >= 4 && std::strcmp(argv[1], "hold") == 0) return Hold(argv[2], std::atoi(argv[3]));
  if (argc >= 4 && std::strcmp(argv[1], "holdmutex") == 0)
    return HoldMutex(argv[2], std::atoi(argv[3]));
  if (argc >= 6 && std::strcmp(argv[1], "previewhost") == 0)
    return PreviewHost(std::atoi(argv[2]), std::atoi(argv[3]), argv[4],
                       static_cast<DWORD>(std::atoi(argv[5])));
  if (argc >= 2 && std::strcmp(argv[1], "desktop") == 0) return Desktop();
  if (argc >= 2 && std::strcmp(argv[1], "codepage") == 0) {
    std::printf("acp=%u\n", GetACP());
    return 0;
  }
  if (argc >= 3 && std::strcmp(argv[1], "foreground") == 0) return Foreground(argc - 2, argv + 2);
  if (argc >= 3 && std::strcmp(argv[1], "boxtext") == 0) return BoxText(argv[2]);
  std::fprintf(stderr,
               "usage: testhelper find|findclass|count|countclass|closeclass|hold|"
               "holdmutex|previewhost|boxtext|foreground ...\n");
  return 2;
}
