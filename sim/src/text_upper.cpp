#include "machine.h"

extern "C" DWORD WINAPI CharUpperBuffA(LPSTR text, DWORD length) {
  if (text == nullptr) return 0;
  // The simulated code page has single-byte characters only.
  for (DWORD i = 0; i < length; ++i)
    if (text[i] >= 'a' && text[i] <= 'z') text[i] = static_cast<char>(text[i] - 'a' + 'A');
  return length;
}
