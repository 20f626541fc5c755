#include "windows/settings/settings_store.h"

#include <windows.h>

#include <cstdio>

#include "res/data_files.h"
#include "windows/settings/signature.h"

namespace {

constexpr char kSettingsFile[] = "QAV3CFG.INI";
constexpr char kSettingsSection[] = "QV3_02";
// The data folder's key is read through the wide-character call: the file may be in UTF-16 or
// in the ANSI code page, and the folder's name in any script.
constexpr wchar_t kSettingsFileWide[] = L"QAV3CFG.INI";
constexpr wchar_t kDataSection[] = L"QV3_DIR";
constexpr wchar_t kDataKey[] = L"QV3_DIR";
constexpr char kMarkerFile[] = MARKER_FILE_NAME;
constexpr wchar_t kLocalDataDirectory[] = L".\\" LOCAL_DATA_FOLDER;

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

void LoadSettings(Settings& settings, DataFolderPath& dataDirectory) {
  if (MarkerFileMatches()) {
    lstrcpynW(dataDirectory, kLocalDataDirectory, kDataDirectorySize);
  } else {
    wchar_t windowsDirectory[256] = L"";
    GetWindowsDirectoryW(windowsDirectory, 256);
    wchar_t defaultDirectory[] = L"C:\\" DEFAULT_DATA_FOLDER;
    if (windowsDirectory[0] != L'\0') defaultDirectory[0] = windowsDirectory[0];
    GetPrivateProfileStringW(kDataSection, kDataKey, defaultDirectory, dataDirectory,
                             kDataDirectorySize, kSettingsFileWide);
  }
  settings.music =
      static_cast<int32_t>(GetPrivateProfileIntA(kSettingsSection, "WAV", 1, kSettingsFile));
  settings.speed =
      static_cast<int32_t>(GetPrivateProfileIntA(kSettingsSection, "SPEED", 3, kSettingsFile));
  settings.allMonitors = static_cast<int32_t>(
      GetPrivateProfileIntA(kSettingsSection, "AllMonitors", 1, kSettingsFile));
}

int SaveSettings(const Settings& settings) {
  char text[16];
  snprintf(text, sizeof text, "%d", static_cast<int>(settings.music));
  const BOOL musicWritten =
      WritePrivateProfileStringA(kSettingsSection, "WAV", text, kSettingsFile);
  snprintf(text, sizeof text, "%d", static_cast<int>(settings.speed));
  const BOOL speedWritten =
      WritePrivateProfileStringA(kSettingsSection, "SPEED", text, kSettingsFile);
  return musicWritten && speedWritten ? 1 : 0;
}
