#include "tests/support/message_pump.h"

void PumpMessages(DWORD ms, HANDLE process) {
  const DWORD end = GetTickCount() + ms;
  for (;;) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
      TranslateMessage(&message);
      DispatchMessageA(&message);
    }
    const DWORD now = GetTickCount();
    if (static_cast<LONG>(end - now) <= 0) return;
    // Sleeps until a message comes, the process ends or the time is up.
    const DWORD result = MsgWaitForMultipleObjects(process ? 1 : 0, process ? &process : nullptr,
                                                   FALSE, end - now, QS_ALLINPUT);
    if (process && result == WAIT_OBJECT_0) return;
  }
}
