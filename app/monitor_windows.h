// Plain black windows over every monitor but the primary while the full-screen saver runs.
// Input on them is handed to the saver window, so it ends the saver by the same rules.
#pragma once

#include <windows.h>

// Creates one black, top-most window per monitor other than the primary; `saver` is the
// full-screen saver window that receives their input. Without the monitor functions (older
// systems) nothing is created. Returns how many windows were made.
int MonitorWindowsCreate(HWND saver);
// Destroys the windows MonitorWindowsCreate made; a second call does nothing.
void MonitorWindowsDestroy();
