// Looks up a function of a library loaded at run time with its real signature.
#pragma once

#include <windows.h>

template <typename Proc>
Proc LibraryProc(HMODULE library, const char* name) {
  // FARPROC is a generic function pointer; go through void(*)() so the cast states its intent.
  return reinterpret_cast<Proc>(reinterpret_cast<void (*)()>(GetProcAddress(library, name)));
}
