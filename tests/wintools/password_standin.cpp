// Stands in for the system's screen-saver password library in tests. Each call reads its
// answer afresh from the file that QV3_TEST_PASSWORD_FILE names ("accept" accepts, anything
// else refuses) and records itself as one line in the file that QV3_TEST_PASSWORD_LOG names.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

extern "C" __declspec(dllexport) BOOL WINAPI VerifyScreenSavePwd(HWND window) {
  char answer[16] = "";
  if (const char* path = std::getenv("QV3_TEST_PASSWORD_FILE")) {
    if (FILE* f = std::fopen(path, "r")) {
      if (!std::fgets(answer, sizeof answer, f)) answer[0] = '\0';
      std::fclose(f);
    }
  }
  const BOOL accepted = std::strncmp(answer, "accept", 6) == 0;
  if (const char* log = std::getenv("QV3_TEST_PASSWORD_LOG")) {
    if (FILE* f = std::fopen(log, "a")) {
      std::fprintf(f, "verify window=%d answer=%d\n", window != nullptr, accepted ? 1 : 0);
      std::fclose(f);
    }
  }
  return accepted;
}
