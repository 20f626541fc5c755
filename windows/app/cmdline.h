// Command-line scanning. Platform-free: the caller turns the scan's
// window numbers into windows and reads their sizes.
#pragma once

#include <cstdint>

constexpr int PARENT_NONE = 0;        // no parent window
constexpr int PARENT_FOREGROUND = 1;  // the window in the foreground ("/c")
constexpr int PARENT_HANDLE = 2;      // the window whose number the command line gives

constexpr int OUTPUT_UNSET = 0;           // no saver or preview switch
constexpr int OUTPUT_SCREEN = 1;          // the last such switch was a saver switch
constexpr int OUTPUT_PREVIEW_CLIENT = 2;  // ... a preview switch: the named window's client size

constexpr int kHandleTextMax = 16;

struct CommandLineScan {
  int runMode;           // RUN_SETTINGS .. RUN_PASSWORD, from the last recognised switch
  int parentSource;      // PARENT_*
  int32_t parentHandle;  // window number when parentSource is PARENT_HANDLE
  int outputSource;      // OUTPUT_*
  int32_t outputHandle;  // window number when outputSource is OUTPUT_PREVIEW_CLIENT
  int previewRequested;  // 1 when any preview switch was seen
};

// Scans the text after the program name (may be null: treated as empty).
CommandLineScan ScanCommandLine(const char* commandLine);

// Reads a window number as a signed decimal: leading white space, optional sign, digits up to
// the first other character; no digits gives 0. Values wrap modulo 2^32.
int32_t ParseHandleText(const char* text);
