// Process entry of the screen saver.
#include <windows.h>

#include "windows/app/startup.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR commandLine, int) {
  RunSaverProgram(instance, commandLine);
  return 0;
}
