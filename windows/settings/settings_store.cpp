#include "windows/settings/settings_store.h"

#include <windows.h>

#include <cstdio>

#include "res/data_files.h"
#include "show/speed.h"
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
// Room for a value read as text; a longer one is cut, which leaves a run of digits a number.
constexpr DWORD kValueSize = 256;

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

// A switch written by hand: 1, yes, true or on (any case, blanks around it) is on; 0, no,
// false or off is off; anything else, or no key, is `fallback`.
int32_t ReadSwitch(const char* key, int32_t fallback) {
  char text[kValueSize];
  GetPrivateProfileStringA(kSettingsSection, key, "", text, kValueSize, kSettingsFile);
  const char* begin = text;
  while (*begin == ' ' || *begin == '\t') ++begin;
  const char* end = begin + lstrlenA(begin);
  while (end > begin && (end[-1] == ' ' || end[-1] == '\t')) --end;
  char word[8] = "";
  if (end - begin >= static_cast<ptrdiff_t>(sizeof word)) return fallback;
  for (int i = 0; begin + i < end; ++i) {
    const char c = begin[i];
    word[i] = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  }
  constexpr const char* kOn[] = {"1", "yes", "true", "on"};
  constexpr const char* kOff[] = {"0", "no", "false", "off"};
  for (const char* on : kOn)
    if (lstrcmpA(word, on) == 0) return 1;
  for (const char* off : kOff)
    if (lstrcmpA(word, off) == 0) return 0;
  return fallback;
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
  char speed[kValueSize];
  GetPrivateProfileStringA(kSettingsSection, "SPEED", "", speed, kValueSize, kSettingsFile);
  settings.speed = SpeedFromText(speed);
  settings.allMonitors = ReadSwitch("AllMonitors", 1);
}

int SaveSettings(const Settings& settings) {
  char text[16];
  snprintf(text, sizeof text, "%d", static_cast<int>(settings.music));
  const BOOL musicWritten =
      WritePrivateProfileStringA(kSettingsSection, "WAV", text, kSettingsFile);
  snprintf(text, sizeof text, "%d", static_cast<int>(SpeedWithinRange(settings.speed)));
  const BOOL speedWritten =
      WritePrivateProfileStringA(kSettingsSection, "SPEED", text, kSettingsFile);
  return musicWritten && speedWritten ? 1 : 0;
}
