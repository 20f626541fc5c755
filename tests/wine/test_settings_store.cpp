// LoadSettings and SaveSettings against the real profile functions, in the Windows directory
// of the test prefix, with marker files in a scratch current directory.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cwchar>
#include <string>
#include <vector>

#include "tests/wine/file_bytes.h"
#include "windows/app/saver_window.h"
#include "windows/settings/control_values.h"
#include "windows/settings/settings_store.h"
#include "windows/settings/signature.h"

namespace {

// The values the tests load into and save from.
Settings CurrentSettings = {1, 3, 1};
DataFolderPath DataDirectory;

void LoadSettings() { LoadSettings(CurrentSettings, DataDirectory); }
int SaveSettings() { return SaveSettings(CurrentSettings); }

std::string WindowsPath(const char* name) {
  char dir[MAX_PATH];
  GetWindowsDirectoryA(dir, MAX_PATH);
  return std::string(dir) + "\\" + name;
}

// Runs each test in a fresh scratch directory with no settings file, and puts back whatever
// settings file the prefix had.
class SettingsStore : public testing::Test {
 protected:
  void SetUp() override {
    settingsPath_ = WindowsPath("QAV3CFG.INI");
    hadSettings_ = GetFileAttributesA(settingsPath_.c_str()) != INVALID_FILE_ATTRIBUTES;
    saved_ = ReadFileBytes(settingsPath_);
    DeleteFileA(settingsPath_.c_str());
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    scratch_ = std::string(temp) + "qv3settings";
    CreateDirectoryA(scratch_.c_str(), nullptr);
    DeleteFileA((scratch_ + "\\QAVSSV3C.SSS").c_str());
    GetCurrentDirectoryA(MAX_PATH, previousDirectory_);
    SetCurrentDirectoryA(scratch_.c_str());
  }
  void TearDown() override {
    SetCurrentDirectoryA(previousDirectory_);
    DeleteFileA((scratch_ + "\\QAVSSV3C.SSS").c_str());
    RemoveDirectoryA(scratch_.c_str());
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "QAV3CFG.INI");  // flush the cache
    DeleteFileA(settingsPath_.c_str());
    if (hadSettings_) WriteFileBytes(settingsPath_, saved_);
  }
  void Settings(const std::string& text) { WriteFileBytes(settingsPath_, text); }
  void Marker(const std::string& bytes) { WriteFileBytes(scratch_ + "\\QAVSSV3C.SSS", bytes); }

  std::string settingsPath_, saved_, scratch_;
  bool hadSettings_ = false;
  char previousDirectory_[MAX_PATH] = "";
};

std::string Signature() { return std::string(SIGNATURE_TEXT, kSignatureLength); }

std::string DefaultDirectory() { return std::string(1, WindowsPath("")[0]) + ":\\QavSaver3"; }

// The data folder as UTF-8, for comparisons and messages.
std::string DataFolder() {
  char text[kDataDirectorySize * 4];
  WideCharToMultiByte(CP_UTF8, 0, DataDirectory, -1, text, sizeof text, nullptr, nullptr);
  return text;
}

// Text in UTF-16 little-endian with its byte-order mark, from UTF-8.
std::string Utf16File(const std::string& utf8) {
  std::wstring wide(utf8.size() + 1, L'\0');
  wide.resize(MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, wide.data(),
                                  static_cast<int>(wide.size())) -
              1);
  std::string bytes = "\xFF\xFE";
  for (wchar_t c : wide)
    bytes += std::string{static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
  return bytes;
}

TEST_F(SettingsStore, DefaultsWithoutAnyFile) {
  CurrentSettings = {7, 7, 7};
  LoadSettings();
  EXPECT_EQ(CurrentSettings.music, 1);
  EXPECT_EQ(CurrentSettings.speed, 3);
  EXPECT_EQ(CurrentSettings.allMonitors, 1);
  EXPECT_EQ(DataFolder(), DefaultDirectory());
}

struct ValueCase {
  const char* text;
  int music;
  int speed;
  int allMonitors;
};

// The music flag is read as written; the speed by the show's one reading of a speed (a number
// taken to the nearest of 1 to 5, anything else the default 3); AllMonitors as a switch.
TEST_F(SettingsStore, ReadsValuesByTheirRules) {
  const ValueCase cases[] = {
      {"[QV3_02]\r\nWAV=0\r\nSPEED=5\r\n", 0, 5, 1},
      {"[QV3_02]\r\nWAV=1\r\nSPEED=9\r\nAllMonitors=0\r\n", 1, 5, 0},
      {"[QV3_02]\r\nWAV=2\r\nSPEED=-4\r\nAllMonitors=1\r\n", 2, 1, 1},
      {"[QV3_02]\r\nWAV=abc\r\nSPEED=x7\r\nAllMonitors=no\r\n", 0, 3, 0},
      {"[QV3_02]\r\nSPEED=250\r\n", 1, 5, 1},
      {"[OTHER]\r\nWAV=0\r\nSPEED=1\r\nAllMonitors=0\r\n", 1, 3, 1},
  };
  for (const ValueCase& c : cases) {
    Settings(c.text);
    LoadSettings();
    EXPECT_EQ(CurrentSettings.music, c.music) << c.text;
    EXPECT_EQ(CurrentSettings.speed, c.speed) << c.text;
    EXPECT_EQ(CurrentSettings.allMonitors, c.allMonitors) << c.text;
  }
}

// The speed the saver runs at and the settings window shows, from hand-edited values.
TEST_F(SettingsStore, SpeedIsAlwaysOneOfTheFive) {
  struct Case {
    const char* value;
    int speed;
  };
  const Case cases[] = {
      {"0", 1},           {"-1", 1},       {"-3", 1},         {"6", 5},
      {"99", 5},          {"abc", 3},      {"2147483648", 5}, {"99999999999999", 5},
      {" 2 ", 2},         {"4 (fast)", 3}, {"", 3},           {"1", 1},
      {"-2147483648", 1},
  };
  for (const Case& c : cases) {
    Settings(std::string("[QV3_02]\r\nSPEED=") + c.value + "\r\n");
    CurrentSettings.speed = -99;
    LoadSettings();
    EXPECT_EQ(CurrentSettings.speed, c.speed) << '"' << c.value << '"';
  }
}

// The words people write for on and off, in any case and with blanks around them; anything
// else, and no key, leaves the default: every monitor shows scenes.
TEST_F(SettingsStore, AllMonitorsIsReadAsASwitch) {
  struct Case {
    const char* line;
    int allMonitors;
  };
  const Case cases[] = {
      {"AllMonitors=1", 1},     {"AllMonitors=0", 0},    {"AllMonitors=yes", 1},
      {"AllMonitors=no", 0},    {"AllMonitors=true", 1}, {"AllMonitors=false", 0},
      {"AllMonitors=on", 1},    {"AllMonitors=off", 0},  {"AllMonitors=YES", 1},
      {"AllMonitors=False", 0}, {"AllMonitors= On ", 1}, {"AllMonitors=\tOFF\t", 0},
      {"AllMonitors=abc", 1},   {"AllMonitors=2", 1},    {"AllMonitors=-1", 1},
      {"AllMonitors=", 1},      {"AllMonitors=00", 1},   {"AllMonitors=no way", 1},
      {"Other=0", 1},
  };
  for (const Case& c : cases) {
    Settings(std::string("[QV3_02]\r\n") + c.line + "\r\n");
    CurrentSettings.allMonitors = -99;
    LoadSettings();
    EXPECT_EQ(CurrentSettings.allMonitors, c.allMonitors) << c.line;
  }
}

TEST_F(SettingsStore, MarkerSelectsTheLocalDataFolder) {
  Settings("[QV3_DIR]\r\nQV3_DIR=D:\\Elsewhere\r\n");
  Marker(Signature() + "anything after the signature");
  LoadSettings();
  EXPECT_EQ(DataFolder(), ".\\QV3");
}

TEST_F(SettingsStore, NearMissMarkerFallsBackToTheSettingsFile) {
  Settings("[QV3_DIR]\r\nQV3_DIR=D:\\Elsewhere\\Data\r\n");
  std::string lowerCase = Signature();
  lowerCase[0] = 'q';
  for (const std::string& marker : {Signature().substr(0, 98), lowerCase, std::string("QAV")}) {
    Marker(marker);
    LoadSettings();
    EXPECT_EQ(DataFolder(), "D:\\Elsewhere\\Data") << marker;
  }
}

TEST_F(SettingsStore, DataKeyIsOnlyReadFromItsOwnSection) {
  Settings("[QV3_02]\r\nQV3_DIR=D:\\Wrong\r\n");
  LoadSettings();
  EXPECT_EQ(DataFolder(), DefaultDirectory());
}

TEST_F(SettingsStore, SaveWritesBothValuesAndKeepsOtherKeys) {
  Settings(
      "[QV3_DIR]\r\nQV3_DIR=E:\\Mine\r\n[QV3_02]\r\nWAV=1\r\nSPEED=3\r\nAllMonitors=0\r\n"
      "EXTRA=kept\r\n");
  LoadSettings();
  CurrentSettings = {0, 5, 1};
  SaveSettings();
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, "QAV3CFG.INI");
  const std::string text = ReadFileBytes(settingsPath_);
  EXPECT_NE(text.find("WAV=0"), std::string::npos) << text;
  EXPECT_NE(text.find("SPEED=5"), std::string::npos) << text;
  EXPECT_NE(text.find("EXTRA=kept"), std::string::npos) << text;
  EXPECT_NE(text.find("AllMonitors=0"), std::string::npos) << text;
  EXPECT_NE(text.find("QV3_DIR=E:\\Mine"), std::string::npos) << text;
  LoadSettings();
  EXPECT_EQ(CurrentSettings.music, 0);
  EXPECT_EQ(CurrentSettings.speed, 5);
  EXPECT_EQ(CurrentSettings.allMonitors, 0);
}

TEST_F(SettingsStore, DataFolderNamedInAnyScript) {
  struct Case {
    const char* name;
    std::string file;
    std::string folder;  // UTF-8
  };
  std::vector<Case> cases = {
      {"UTF-16, Japanese", Utf16File("[QV3_DIR]\r\nQV3_DIR=D:\\音楽\\ミルカド\r\n"),
       "D:\\音楽\\ミルカド"},
      {"UTF-16, Cyrillic", Utf16File("[QV3_DIR]\r\nQV3_DIR=E:\\Музыка\r\n"), "E:\\Музыка"},
      {"ASCII", "[QV3_DIR]\r\nQV3_DIR=F:\\Plain\\Data\r\n", "F:\\Plain\\Data"},
  };
  // A folder name in the system's own ANSI code page, in a file written in that code page.
  const wchar_t ansiFolder[] = L"G:\\Müsik-Ä";
  char ansi[64];
  BOOL lossy = FALSE;
  WideCharToMultiByte(CP_ACP, 0, ansiFolder, -1, ansi, sizeof ansi, nullptr, &lossy);
  if (!lossy)
    cases.push_back(
        {"ANSI code page", std::string("[QV3_DIR]\r\nQV3_DIR=") + ansi + "\r\n", "G:\\Müsik-Ä"});
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Settings(c.file);
    LoadSettings();
    EXPECT_EQ(DataFolder(), c.folder);
  }
}

TEST_F(SettingsStore, Utf16FileKeepsWorkingThroughASave) {
  Settings(Utf16File("[QV3_DIR]\r\nQV3_DIR=D:\\音楽\r\n[QV3_02]\r\nWAV=0\r\nSPEED=4\r\n"));
  LoadSettings();
  EXPECT_EQ(CurrentSettings.music, 0);
  EXPECT_EQ(CurrentSettings.speed, 4);
  CurrentSettings = {1, 2, 1};
  SaveSettings();
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, "QAV3CFG.INI");
  CurrentSettings = {7, 7, 7};
  LoadSettings();
  EXPECT_EQ(CurrentSettings.music, 1);
  EXPECT_EQ(CurrentSettings.speed, 2);
  EXPECT_EQ(DataFolder(), "D:\\音楽") << "the save lost the data folder's name";
  // What was saved reads back through the ANSI calls too.
  EXPECT_EQ(GetPrivateProfileIntA("QV3_02", "SPEED", 0, "QAV3CFG.INI"), 2u);
}

// Files a user or a broken disk could leave behind: reading them never overruns or hangs, the
// data folder always fits its buffer, and whatever speed comes out gives a usable timer period.
TEST_F(SettingsStore, HostileFilesReadSafely) {
  constexpr int kAny = -12345;
  std::string random(1 << 20, '\0');
  uint32_t state = 12345;
  for (char& byte : random) {
    state = state * 1103515245u + 12345u;
    byte = static_cast<char>(state >> 24);
  }
  const std::string longFolder(5000, 'x');
  struct Case {
    const char* name;
    std::string file;
    int music, speed;
    std::string folder;  // empty: any
  };
  const Case cases[] = {
      {"empty file", "", 1, 3, DefaultDirectory()},
      {"1 MB of random bytes", random, kAny, kAny, ""},
      {"1 MB of random bytes after the sections",
       "[QV3_02]\r\nWAV=0\r\nSPEED=2\r\n[QV3_DIR]\r\nQV3_DIR=D:\\Kept\r\n" + random, kAny, kAny,
       ""},
      {"no sections", "WAV=0\r\nSPEED=5\r\nQV3_DIR=D:\\Nowhere\r\n", 1, 3, DefaultDirectory()},
      {"only zero bytes", std::string(4096, '\0'), 1, 3, DefaultDirectory()},
      {"huge numbers", "[QV3_02]\r\nWAV=99999999999999999999\r\nSPEED=4294967301\r\n", kAny, 5,
       DefaultDirectory()},
      {"most negative number", "[QV3_02]\r\nWAV=-2147483648\r\nSPEED=-2147483648\r\n",
       -2147483647 - 1, 1, DefaultDirectory()},
      {"folder longer than its buffer", "[QV3_DIR]\r\nQV3_DIR=" + longFolder + "\r\n", 1, 3,
       longFolder.substr(0, kDataDirectorySize - 1)},
      {"line without an end", "[QV3_02]\r\nWAV=0\r\nSPEED=" + std::string(200000, '7'), 0, 5,
       DefaultDirectory()},
      {"unclosed section name", "[QV3_02\r\nWAV=0\r\nSPEED=5\r\n", kAny, kAny, ""},
      {"UTF-16 mark and an odd byte", "\xFF\xFE[\0Q\0V\0", 1, 3, DefaultDirectory()},
      {"UTF-16 mark only", "\xFF\xFE", 1, 3, DefaultDirectory()},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Settings(c.file);
    DataDirectory[kDataDirectorySize - 1] = L'!';
    CurrentSettings = {kAny, kAny, kAny};
    LoadSettings();
    const size_t length = wcsnlen(DataDirectory, kDataDirectorySize);
    ASSERT_LT(length, size_t(kDataDirectorySize)) << "the data folder is not terminated";
    if (!c.folder.empty()) {
      EXPECT_EQ(DataFolder(), c.folder);
    }
    if (c.music != kAny) {
      EXPECT_EQ(CurrentSettings.music, c.music);
    }
    if (c.speed != kAny) {
      EXPECT_EQ(CurrentSettings.speed, c.speed);
    }
    const UINT period = FramePeriodForSpeed(CurrentSettings.speed);
    EXPECT_GE(period, 100u);
    EXPECT_LE(period, 300u);
  }
}

TEST_F(SettingsStore, SaveReportsWhetherTheFileWasWritten) {
  // A directory in the settings file's place: no write can succeed.
  ASSERT_TRUE(CreateDirectoryA(settingsPath_.c_str(), nullptr));
  CurrentSettings = {0, 4, 1};
  EXPECT_EQ(SaveSettings(), 0);
  ASSERT_TRUE(RemoveDirectoryA(settingsPath_.c_str()));
  EXPECT_EQ(SaveSettings(), 1);
  LoadSettings();
  EXPECT_EQ(CurrentSettings.music, 0);
  EXPECT_EQ(CurrentSettings.speed, 4);
}

}  // namespace
