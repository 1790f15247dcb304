#pragma once

#include "platform/win_api.h"

// Plain data, set before and outside the process-wide objects.
extern HINSTANCE g_moduleHandle;
extern DWORD g_lastCallSucceeded;

// What QelSysGetLastError reports now: the newest outcome after a successful
// transaction, else the public code of the failures.
DWORD PublicLastErrorCode();
