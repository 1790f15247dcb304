#include "core/own_path.h"

#include "core/module_state.h"
#include "platform/win_api.h"

String OwnModulePath() {
  String path;
  DWORD size = 256;
  for (;;) {
    char* buffer = path.GetBuffer(size);
    if (buffer == nullptr) return path;
    buffer[0] = '\0';
    DWORD length = GetModuleFileNameA(g_moduleHandle, buffer, size);
    buffer[size - 1] = '\0';
    path.ReleaseBuffer();
    // A length this close to the size may have been cut short.
    if (length <= size - 2) return path;
    size += 256;
  }
}
