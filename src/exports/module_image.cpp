// What only the library image itself holds: its process-wide objects and its
// entry point.
#include "core/process_objects.h"
#include "core/module_state.h"

namespace {
ProcessObjects processObjects;
}

extern "C" BOOL WINAPI DllMain(HINSTANCE instance, DWORD, LPVOID) {
  g_moduleHandle = instance;  // on every notification, thread ones included
  return TRUE;
}
