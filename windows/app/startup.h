// Start-up: the command line, the run modes and the saver window class.
#pragma once

#include <windows.h>

#include "windows/app/run_state.h"

// Sets run.RunMode and run.OutputSize (from run.ScreenSize or the preview window) from the
// command line and returns the parent window (or none). Sets *endNow when a preview is
// requested while a preview window already exists.
HWND ParseCommandLine(const char* commandLine, RunState& run, bool* endNow);
// Registers the class "QV3_02" of the saver and preview window.
int RegisterSaverClass();
// Hands a password-change request for `parent` to the system.
void ChangePassword(HWND parent);
// The whole run; returns the exit code the saver window's message loop ended with, or 0 when
// the run ends without one.
int RunSaverProgram(HINSTANCE instance, const char* commandLine);

extern HINSTANCE ProgramInstance;
