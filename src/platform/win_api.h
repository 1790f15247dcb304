// The one door to the Windows API: system code includes this header and calls
// Windows functions, and the few C runtime calls it needs, by these names.
#pragma once

#ifdef _WIN32
#include <direct.h>
#include <windows.h>
// After windows.h: access-list types.
#include <aclapi.h>

inline char* CrtGetCurrentDirectory(char* buffer, int size) { return _getcwd(buffer, size); }
#else
#include "sim/windows.h"
#endif
