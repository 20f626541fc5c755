// LoadSettings and SaveSettings against the real profile functions, in the Windows directory
// of the test prefix, with marker files in a scratch current directory.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "settings/settings_store.h"
#include "settings/signature.h"

namespace {

std::string WindowsPath(const char* name) {
  char dir[MAX_PATH];
  GetWindowsDirectoryA(dir, MAX_PATH);
  return std::string(dir) + "\\" + name;
}

void WriteFile(const std::string& path, const std::string& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  ASSERT_NE(f, nullptr) << path;
  std::fwrite(bytes.data(), 1, bytes.size(), f);
  std::fclose(f);
}

std::string ReadFile(const std::string& path) {
  std::string bytes;
  if (FILE* f = std::fopen(path.c_str(), "rb")) {
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0) bytes.append(buffer, n);
    std::fclose(f);
  }
  return bytes;
}

// Runs each test in a fresh scratch directory with no settings file, and puts back whatever
// settings file the prefix had.
class SettingsStore : public testing::Test {
 protected:
  void SetUp() override {
    settingsPath_ = WindowsPath("QAV3CFG.INI");
    hadSettings_ = GetFileAttributesA(settingsPath_.c_str()) != INVALID_FILE_ATTRIBUTES;
    saved_ = ReadFile(settingsPath_);
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
    if (hadSettings_) WriteFile(settingsPath_, saved_);
  }
  void Settings(const std::string& text) { WriteFile(settingsPath_, text); }
  void Marker(const std::string& bytes) { WriteFile(scratch_ + "\\QAVSSV3C.SSS", bytes); }

  std::string settingsPath_, saved_, scratch_;
  bool hadSettings_ = false;
  char previousDirectory_[MAX_PATH] = "";
};

std::string Signature() { return std::string(SIGNATURE_TEXT, kSignatureLength); }

std::string DefaultDirectory() { return std::string(1, WindowsPath("")[0]) + ":\\QavSaver3"; }

TEST_F(SettingsStore, DefaultsWithoutAnyFile) {
  CurrentSettings = {7, 7};
  LoadSettings();
  EXPECT_EQ(CurrentSettings.music, 1);
  EXPECT_EQ(CurrentSettings.speed, 3);
  EXPECT_EQ(std::string(DataDirectory), DefaultDirectory());
}

struct ValueCase {
  const char* text;
  int music;
  int speed;
};

TEST_F(SettingsStore, ReadsValuesAsWrittenWithoutRangeTest) {
  const ValueCase cases[] = {
      {"[QV3_02]\r\nWAV=0\r\nSPEED=5\r\n", 0, 5},   {"[QV3_02]\r\nWAV=1\r\nSPEED=9\r\n", 1, 9},
      {"[QV3_02]\r\nWAV=2\r\nSPEED=-4\r\n", 2, -4}, {"[QV3_02]\r\nWAV=abc\r\nSPEED=x7\r\n", 0, 0},
      {"[QV3_02]\r\nSPEED=250\r\n", 1, 250},        {"[OTHER]\r\nWAV=0\r\nSPEED=1\r\n", 1, 3},
  };
  for (const ValueCase& c : cases) {
    Settings(c.text);
    LoadSettings();
    EXPECT_EQ(CurrentSettings.music, c.music) << c.text;
    EXPECT_EQ(CurrentSettings.speed, c.speed) << c.text;
  }
}

TEST_F(SettingsStore, MarkerSelectsTheLocalDataFolder) {
  Settings("[QV3_DIR]\r\nQV3_DIR=D:\\Elsewhere\r\n");
  Marker(Signature() + "anything after the signature");
  LoadSettings();
  EXPECT_STREQ(DataDirectory, ".\\QV3");
}

TEST_F(SettingsStore, NearMissMarkerFallsBackToTheSettingsFile) {
  Settings("[QV3_DIR]\r\nQV3_DIR=D:\\Elsewhere\\Data\r\n");
  std::string lowerCase = Signature();
  lowerCase[0] = 'q';
  for (const std::string& marker : {Signature().substr(0, 98), lowerCase, std::string("QAV")}) {
    Marker(marker);
    LoadSettings();
    EXPECT_STREQ(DataDirectory, "D:\\Elsewhere\\Data") << marker;
  }
}

TEST_F(SettingsStore, DataKeyIsOnlyReadFromItsOwnSection) {
  Settings("[QV3_02]\r\nQV3_DIR=D:\\Wrong\r\n");
  LoadSettings();
  EXPECT_EQ(std::string(DataDirectory), DefaultDirectory());
}

TEST_F(SettingsStore, SaveWritesBothValuesAndKeepsOtherKeys) {
  Settings("[QV3_DIR]\r\nQV3_DIR=E:\\Mine\r\n[QV3_02]\r\nWAV=1\r\nSPEED=3\r\nEXTRA=kept\r\n");
  LoadSettings();
  CurrentSettings = {0, 5};
  SaveSettings();
  WritePrivateProfileStringA(nullptr, nullptr, nullptr, "QAV3CFG.INI");
  const std::string text = ReadFile(settingsPath_);
  EXPECT_NE(text.find("WAV=0"), std::string::npos) << text;
  EXPECT_NE(text.find("SPEED=5"), std::string::npos) << text;
  EXPECT_NE(text.find("EXTRA=kept"), std::string::npos) << text;
  EXPECT_NE(text.find("QV3_DIR=E:\\Mine"), std::string::npos) << text;
  LoadSettings();
  EXPECT_EQ(CurrentSettings.music, 0);
  EXPECT_EQ(CurrentSettings.speed, 5);
}

TEST_F(SettingsStore, SaveReportsWhetherTheFileWasWritten) {
  // A directory in the settings file's place: no write can succeed.
  ASSERT_TRUE(CreateDirectoryA(settingsPath_.c_str(), nullptr));
  CurrentSettings = {0, 4};
  EXPECT_EQ(SaveSettings(), 0);
  ASSERT_TRUE(RemoveDirectoryA(settingsPath_.c_str()));
  EXPECT_EQ(SaveSettings(), 1);
  LoadSettings();
  EXPECT_EQ(CurrentSettings.music, 0);
  EXPECT_EQ(CurrentSettings.speed, 4);
}

}  // namespace
