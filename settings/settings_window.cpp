#include "settings/settings_window.h"

void RunSettingsWindow(HWND parent) { (void)parent; }
