// The full-screen saver window and the preview window: set-up, frame timer, exit rules with
// password verification, and teardown.
#pragma once

#include <windows.h>

#include <cstdint>

struct Show;

LRESULT CALLBACK SaverWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
// Builds every graphics object and starts the frame timer; 0 at the first failure.
int SetUpGraphics(HWND window, HDC context);
// Non-zero when the saver may end: no password in use, no password service, or accepted.
int VerifyPassword(HWND window);
// The show the saver or preview window draws, for the tests to look at.
const Show& SaverWindowShow();
// The seed of that show's generator, which the other monitors' shows are seeded from.
uint32_t SaverWindowSeed();
