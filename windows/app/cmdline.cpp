#include "windows/app/cmdline.h"

#include "show/runstate.h"

namespace {

bool IsWhiteSpace(char c) { return c == ' ' || (c >= '\t' && c <= '\r'); }

// Collects the handle text that follows a switch letter at `letter`, and returns where
// scanning goes on. The letter and the one character after it (the separator) are passed over,
// unless that character is a digit: a handle glued to its switch ("/p1234") is read whole. Then
// up to kHandleTextMax characters are taken up to the next blank; a blank that ends the text is
// passed over as well.
const char* ReadHandleText(const char* letter, char (&text)[kHandleTextMax + 1]) {
  const char* p = letter + 1;
  if (*p != '\0' && !(*p >= '0' && *p <= '9')) ++p;  // the separator, whatever else it is
  int taken = 0;
  while (taken < kHandleTextMax && *p != '\0' && *p != ' ') text[taken++] = *p++;
  text[taken] = '\0';
  if (taken < kHandleTextMax && *p == ' ') ++p;
  return p;
}

}  // namespace

int32_t ParseHandleText(const char* text) {
  while (IsWhiteSpace(*text)) ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  uint32_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) value = value * 10u + uint32_t(*text - '0');
  if (negative) value = 0u - value;
  return static_cast<int32_t>(value);
}

CommandLineScan ScanCommandLine(const char* commandLine) {
  CommandLineScan scan = {RUN_SETTINGS, PARENT_NONE, 0, OUTPUT_UNSET, 0, 0};
  const char* p = commandLine ? commandLine : "";
  while (*p != '\0') {
    if (*p != '-' && *p != '/') {
      ++p;
      continue;
    }
    const char* letter = p + 1;
    char handleText[kHandleTextMax + 1];
    switch (*letter) {
      case 'S':
      case 's':
        scan.runMode = RUN_SAVER;
        scan.parentSource = PARENT_NONE;
        scan.outputSource = OUTPUT_SCREEN;
        p = letter + 1;
        break;
      case 'P':
      case 'p':
      case 'L':
      case 'l':
        scan.previewRequested = 1;
        scan.runMode = RUN_PREVIEW;
        p = ReadHandleText(letter, handleText);
        scan.parentSource = PARENT_HANDLE;
        scan.parentHandle = ParseHandleText(handleText);
        scan.outputSource = OUTPUT_PREVIEW_CLIENT;
        scan.outputHandle = scan.parentHandle;
        break;
      case 'C':
      case 'c':
        scan.runMode = RUN_SETTINGS;
        scan.parentSource = PARENT_FOREGROUND;
        p = letter + 1;
        break;
      case 'A':
      case 'a':
        scan.runMode = RUN_PASSWORD;
        p = ReadHandleText(letter, handleText);
        scan.parentHandle = ParseHandleText(handleText);
        scan.parentSource = scan.parentHandle != 0 ? PARENT_HANDLE : PARENT_NONE;
        break;
      default:
        p = letter;  // not a switch: go on at that character itself
        break;
    }
  }
  return scan;
}
