#include "app/runstate.h"

int32_t RunMode = RUN_SETTINGS;
Size2 ScreenSize = {0, 0};
Size2 OutputSize = {0, 0};
int32_t ScaleFactor = 0;
