// The settings window: a custom-drawn dialog for the speed and the music switch.
#pragma once

#include <windows.h>

#include <cstdint>

// Runs the settings window with `parent` disabled and returns when it has closed; the window's
// picture pixels are drawn at `zoom`, the screen's.
void RunSettingsWindow(HWND parent, int32_t zoom);

// A message that tells the user what went wrong, in Japanese where the user's UI language is
// Japanese and in English elsewhere. Captions and labels stay as they are.
const wchar_t* MessageForUser(const wchar_t* japanese, const wchar_t* english);

// Brings a settings window of this program that is already open (in any process) to the front;
// false when there is none.
bool BringSettingsWindowForward();
