// The windows over every monitor but the primary while the full-screen saver runs: each shows a
// show of its own, drawn in software at its monitor's zoom, or is plain black when the settings
// ask for the saver on the primary monitor alone. Input on them is handed to the saver window,
// so it ends the saver by the same rules.
#pragma once

#include <windows.h>

#include <cstdint>

// Creates one top-most window per monitor other than the primary, over whatever windows were
// made before (the set follows the monitors when called again); `saver` is the full-screen
// saver window that receives their input. With `withShows` monitor i (in the system's order,
// the primary left out) shows the scenes of seed + 1 + i; without, it stays black. Without the
// monitor functions (older systems) nothing is created. A monitor whose own DPI the system does
// not tell is drawn at `systemZoom`. Returns how many windows were made.
int MonitorWindowsCreate(HWND saver, bool withShows, uint32_t seed, int32_t systemZoom);
// Runs one tick of every monitor's show and puts what changed on its window.
void MonitorWindowsTick();
// Destroys the windows MonitorWindowsCreate made; a second call does nothing.
void MonitorWindowsDestroy();
