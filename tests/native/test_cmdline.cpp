#include <gtest/gtest.h>

#include <string>

#include "show/runstate.h"
#include "windows/app/cmdline.h"

namespace {

struct ScanCase {
  const char* name;
  std::string commandLine;
  int runMode;
  int parentSource;
  int32_t parentHandle;
  int outputSource;
  int32_t outputHandle;
  int previewRequested;
};

const std::string kLongHandle = "12345678901234567890" + std::string(980, '9');

const ScanCase kScanCases[] = {
    {"empty", "", RUN_SETTINGS, PARENT_NONE, 0, OUTPUT_UNSET, 0, 0},
    {"unknown letters only", "/x -q /z", RUN_SETTINGS, PARENT_NONE, 0, OUTPUT_UNSET, 0, 0},
    {"saver lower", "/s", RUN_SAVER, PARENT_NONE, 0, OUTPUT_SCREEN, 0, 0},
    {"saver upper", "/S", RUN_SAVER, PARENT_NONE, 0, OUTPUT_SCREEN, 0, 0},
    {"saver dash", "-s", RUN_SAVER, PARENT_NONE, 0, OUTPUT_SCREEN, 0, 0},
    {"two dashes", "--s", RUN_SAVER, PARENT_NONE, 0, OUTPUT_SCREEN, 0, 0},
    {"settings with colon handle", "/c:1234", RUN_SETTINGS, PARENT_FOREGROUND, 0, OUTPUT_UNSET, 0,
     0},
    {"settings upper", "/C", RUN_SETTINGS, PARENT_FOREGROUND, 0, OUTPUT_UNSET, 0, 0},
    {"preview blank", "/p 1234", RUN_PREVIEW, PARENT_HANDLE, 1234, OUTPUT_PREVIEW_CLIENT, 1234, 1},
    {"preview colon", "/p:1234", RUN_PREVIEW, PARENT_HANDLE, 1234, OUTPUT_PREVIEW_CLIENT, 1234, 1},
    // A handle glued to its switch is read whole: only a character that is not a digit is
    // passed over as the separator.
    {"preview glued to its handle", "/p1234", RUN_PREVIEW, PARENT_HANDLE, 1234,
     OUTPUT_PREVIEW_CLIENT, 1234, 1},
    {"preview glued, seven digits", "/p458850", RUN_PREVIEW, PARENT_HANDLE, 458850,
     OUTPUT_PREVIEW_CLIENT, 458850, 1},
    {"preview glued, upper L", "/L9", RUN_PREVIEW, PARENT_HANDLE, 9, OUTPUT_PREVIEW_CLIENT, 9, 1},
    {"password glued to its handle", "/a458850", RUN_PASSWORD, PARENT_HANDLE, 458850, OUTPUT_UNSET,
     0, 0},
    {"preview as l", "/l 77", RUN_PREVIEW, PARENT_HANDLE, 77, OUTPUT_PREVIEW_CLIENT, 77, 1},
    {"preview upper P", "-P 5", RUN_PREVIEW, PARENT_HANDLE, 5, OUTPUT_PREVIEW_CLIENT, 5, 1},
    {"preview at the very end", "/p", RUN_PREVIEW, PARENT_HANDLE, 0, OUTPUT_PREVIEW_CLIENT, 0, 1},
    {"preview then saver", "/p 1234 /s", RUN_SAVER, PARENT_NONE, 0, OUTPUT_SCREEN, 0, 1},
    {"saver then preview", "/s /p 1234", RUN_PREVIEW, PARENT_HANDLE, 1234, OUTPUT_PREVIEW_CLIENT,
     1234, 1},
    {"password with handle", "/a 1234", RUN_PASSWORD, PARENT_HANDLE, 1234, OUTPUT_UNSET, 0, 0},
    {"password at the very end", "/a", RUN_PASSWORD, PARENT_NONE, 0, OUTPUT_UNSET, 0, 0},
    {"password without digits", "/a xyz", RUN_PASSWORD, PARENT_NONE, 0, OUTPUT_UNSET, 0, 0},
    {"last switch wins, output kept", "/p 9 /a 7", RUN_PASSWORD, PARENT_HANDLE, 7,
     OUTPUT_PREVIEW_CLIENT, 9, 1},
    {"settings after saver keeps output", "/s /c", RUN_SETTINGS, PARENT_FOREGROUND, 0,
     OUTPUT_SCREEN, 0, 0},
    {"negative handle", "/p -12", RUN_PREVIEW, PARENT_HANDLE, -12, OUTPUT_PREVIEW_CLIENT, -12, 1},
    // 16 characters are taken; scanning goes on at the 17th, which is a saver switch.
    {"handle text cut after 16", "/p 0000000000001234/s", RUN_SAVER, PARENT_NONE, 0, OUTPUT_SCREEN,
     0, 1},
    // The 17th character is not part of the handle: 0000000000000012 reads 12.
    {"handle of exactly 16", "/p 00000000000000123", RUN_PREVIEW, PARENT_HANDLE, 12,
     OUTPUT_PREVIEW_CLIENT, 12, 1},
    {"lone slash at the end", "/", RUN_SETTINGS, PARENT_NONE, 0, OUTPUT_UNSET, 0, 0},
    {"switch letter in a word", "x/sy", RUN_SAVER, PARENT_NONE, 0, OUTPUT_SCREEN, 0, 0},
    {"separator is the end", "/a ", RUN_PASSWORD, PARENT_NONE, 0, OUTPUT_UNSET, 0, 0},
};

class ScanTest : public testing::TestWithParam<ScanCase> {};

TEST_P(ScanTest, GivesModeParentAndOutput) {
  const ScanCase& c = GetParam();
  const CommandLineScan scan = ScanCommandLine(c.commandLine.c_str());
  EXPECT_EQ(scan.runMode, c.runMode);
  EXPECT_EQ(scan.parentSource, c.parentSource);
  if (c.parentSource == PARENT_HANDLE) {
    EXPECT_EQ(scan.parentHandle, c.parentHandle);
  }
  EXPECT_EQ(scan.outputSource, c.outputSource);
  if (c.outputSource == OUTPUT_PREVIEW_CLIENT) {
    EXPECT_EQ(scan.outputHandle, c.outputHandle);
  }
  EXPECT_EQ(scan.previewRequested, c.previewRequested);
}

INSTANTIATE_TEST_SUITE_P(CommandLines, ScanTest, testing::ValuesIn(kScanCases),
                         [](const testing::TestParamInfo<ScanCase>& info) {
                           std::string name;
                           for (char ch : std::string(info.param.name))
                             name += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
                           return name;
                         });

TEST(ScanCommandLine, LongHandleTextStaysInsideTheLineAndReadsSixteenDigits) {
  // A 1,000-character handle: the first 16 characters are read, the rest scanned as text.
  const std::string line = "/p " + kLongHandle;
  const CommandLineScan scan = ScanCommandLine(line.c_str());
  EXPECT_EQ(scan.runMode, RUN_PREVIEW);
  EXPECT_EQ(scan.parentHandle, ParseHandleText("1234567890123456"));
  // And a switch hidden after a long run of handle text is still found.
  const std::string withSaver = line + " /s";
  EXPECT_EQ(ScanCommandLine(withSaver.c_str()).runMode, RUN_SAVER);
}

TEST(ScanCommandLine, NullIsEmpty) { EXPECT_EQ(ScanCommandLine(nullptr).runMode, RUN_SETTINGS); }

TEST(ParseHandleText, ReadsSignedDecimalsLikeTheRuntime) {
  EXPECT_EQ(ParseHandleText(""), 0);
  EXPECT_EQ(ParseHandleText("  \t42x"), 42);
  EXPECT_EQ(ParseHandleText("+7"), 7);
  EXPECT_EQ(ParseHandleText("-7"), -7);
  EXPECT_EQ(ParseHandleText("abc"), 0);
  EXPECT_EQ(ParseHandleText("4294967295"), -1);  // wraps to 32 bits without overflow
}

}  // namespace
