// The two user settings, kept in the private profile file "QAV3CFG.INI" in the Windows
// directory, and the location of the external data files.
#pragma once

#include <cstdint>

struct Settings {
  int32_t music;        // 1 = background music on; any other value = off
  int32_t speed;        // animation speed, 1 to 5: the file's text read by SpeedFromText
  int32_t allMonitors;  // 0 = scenes on the primary monitor only, the others black; 1 = on all
};

constexpr int kDataDirectorySize = 512;

// The folder of the external data files, in wide characters, so that a folder named outside
// the system's ANSI code page is found.
using DataFolderPath = wchar_t[kDataDirectorySize];

// Reads the marker file, the data directory and the settings afresh into `settings` and
// `dataDirectory`.
void LoadSettings(Settings& settings, DataFolderPath& dataDirectory);
// Writes the music and speed settings to the settings file; the data directory's key and
// AllMonitors, which is edited in the file, are never written.
// Returns 1 when both were written, 0 when a write failed.
int SaveSettings(const Settings& settings);
