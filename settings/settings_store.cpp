#include "settings/settings_store.h"

#include <windows.h>

#include <cstdio>

#include "settings/signature.h"

Settings CurrentSettings = {1, 3};
char DataDirectory[kDataDirectorySize];

namespace {

constexpr char kSettingsFile[] = "QAV3CFG.INI";
constexpr char kSettingsSection[] = "QV3_02";
constexpr char kDataSection[] = "QV3_DIR";
constexpr char kDataKey[] = "QV3_DIR";
constexpr char kMarkerFile[] = "QAVSSV3C.SSS";
constexpr char kLocalDataDirectory[] = ".\\QV3";

// Compares the marker file's first bytes with the signature, one byte at a time, and stops
// reading at the first difference.
bool MarkerFileMatches() {
  const HFILE file = _lopen(kMarkerFile, OF_READ);
  if (file == HFILE_ERROR) return false;
  bool matches = true;
  for (size_t i = 0; i < kSignatureLength && matches; ++i) {
    unsigned char byte = 0;
    matches = _lread(file, &byte, 1) == 1 && SignatureByteMatches(i, byte);
  }
  _lclose(file);
  return matches;
}

}  // namespace

void LoadSettings() {
  if (MarkerFileMatches()) {
    lstrcpynA(DataDirectory, kLocalDataDirectory, kDataDirectorySize);
  } else {
    char windowsDirectory[256] = "";
    GetWindowsDirectoryA(windowsDirectory, sizeof windowsDirectory);
    const char drive = windowsDirectory[0] != '\0' ? windowsDirectory[0] : 'C';
    char defaultDirectory[32];
    snprintf(defaultDirectory, sizeof defaultDirectory, "%c:\\QavSaver3", drive);
    GetPrivateProfileStringA(kDataSection, kDataKey, defaultDirectory, DataDirectory,
                             kDataDirectorySize, kSettingsFile);
  }
  CurrentSettings.music =
      static_cast<int32_t>(GetPrivateProfileIntA(kSettingsSection, "WAV", 1, kSettingsFile));
  CurrentSettings.speed =
      static_cast<int32_t>(GetPrivateProfileIntA(kSettingsSection, "SPEED", 3, kSettingsFile));
}

int SaveSettings() {
  char text[16];
  snprintf(text, sizeof text, "%d", static_cast<int>(CurrentSettings.music));
  const BOOL musicWritten =
      WritePrivateProfileStringA(kSettingsSection, "WAV", text, kSettingsFile);
  snprintf(text, sizeof text, "%d", static_cast<int>(CurrentSettings.speed));
  const BOOL speedWritten =
      WritePrivateProfileStringA(kSettingsSection, "SPEED", text, kSettingsFile);
  return musicWritten && speedWritten ? 1 : 0;
}
