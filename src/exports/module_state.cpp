#include "exports/module_state.h"

HINSTANCE g_moduleHandle = nullptr;
DWORD g_lastCallSucceeded = 0;
