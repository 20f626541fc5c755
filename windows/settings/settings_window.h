// The settings window: a custom-drawn dialog for the speed and the music switch.
#pragma once

#include <windows.h>

#include <cstdint>

// Runs the settings window with `parent` disabled and returns when it has closed; the window's
// picture pixels are drawn at `zoom`, the screen's.
void RunSettingsWindow(HWND parent, int32_t zoom);

// Brings a settings window of this program that is already open (in any process) to the front;
// false when there is none.
bool BringSettingsWindowForward();
