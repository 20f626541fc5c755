// The message loop of the Windows tests and test programs.
#pragma once

#include <windows.h>

// Dispatches this thread's messages for `ms` milliseconds (0: only those already waiting);
// returns early when `process` is given and ends.
void PumpMessages(DWORD ms, HANDLE process = nullptr);
