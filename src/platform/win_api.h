// The one door to the Windows API: system code includes this header and calls
// Windows functions by their own names.
#pragma once

#ifdef _WIN32
#include <windows.h>
#else
#include "sim/windows.h"
#endif
