// The full-screen saver window and the preview window: set-up, frame timer, exit rules with
// password verification, and teardown.
#pragma once

#include <windows.h>

#include <cstdint>

#include "show/show.h"
#include "windows/app/monitor_windows.h"
#include "windows/app/run_state.h"
#include "windows/gdi/graphics.h"
#include "windows/settings/settings_store.h"

// Everything the saver or preview window runs on. Start-up fills in `run`, `seed`, `settings`
// and `DataDirectory` and hands the value to the window through CreateWindowEx's last
// argument; the window builds the rest when it is created and keeps the value until it is
// destroyed.
struct SaverWindowState {
  RunState run;
  uint32_t seed = 0;  // the show's generator's; the other monitors' shows are seeded from it
  Settings settings = {1, 3, 1};  // as the settings file gives them
  DataFolderPath DataDirectory = {};
  bool musicPlaying = false;  // the music was started and goes on looping
  Graphics graphics = {};
  UINT_PTR frameTimer = 0;
  int32_t framePeriod = 0;  // milliseconds, the frame timer's; 0 while there is none
  int tickPhase = 0;
  int passwordPending = 0;
  POINT lastCursorPos = {0, 0};
  bool tornDown = false;
  bool sendingOwnDestroy = false;
  // Nobody sees the saver while the display is off (where the system reports the display's
  // state), nor the preview while its parent is hidden or minimised: no frame timer runs then.
  bool displayOff = false;
  bool parentHidden = false;
  bool unseen = false;
  HPOWERNOTIFY displayNotify = nullptr;
  Show show;
  DrawEntry toDraw[kDrawListSlots] = {};
  MonitorWindows monitors;  // the full-screen saver's windows over the other monitors
};

// The window procedure of the class; a window of it must be created with a SaverWindowState as
// its creation parameter, else it does nothing of its own.
LRESULT CALLBACK SaverWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Builds every graphics object for the state's output on `context` and starts the frame timer
// with the period of the settings' speed; 0 at the first failure.
int SetUpGraphics(HWND window, HDC context, SaverWindowState& state);
// Non-zero when the saver may end: no password in use, no password service, or accepted.
int VerifyPassword(HWND window);
// The input messages that end the saver, on its window and on the other monitors' windows.
bool IsSaverExitInput(UINT message);
